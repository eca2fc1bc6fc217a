#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/win32/Win32CitySketch.h"
#include "app/win32/Win32Form.h"
#include "core/presenters/LibraryPresenter.h"
#include "core/presenters/LibraryView.h"
#include "core/presenters/MainPresenter.h"

namespace clipwarden::win32 {

/** The Library window: a virtual list view over the Library presenter's rows, a filter box
 *  and a status line. Closing it destroys it; the next "Library" creates it anew. */
class Win32LibraryWindow final : public Win32Form, public LibraryView {
public:
    /** `mainWindow`: where it opens beside when no place of its own is stored. */
    Win32LibraryWindow(MainPresenter& main, HWND mainWindow)
        : main_(main), mainWindow_(mainWindow) {}
    ~Win32LibraryWindow() override;
    Win32LibraryWindow(const Win32LibraryWindow&) = delete;
    Win32LibraryWindow& operator=(const Win32LibraryWindow&) = delete;
    Win32LibraryWindow(Win32LibraryWindow&&) = delete;
    Win32LibraryWindow& operator=(Win32LibraryWindow&&) = delete;

    /** Creates the window where it last was, lists the library and shows it. */
    bool Load();
    void BringForward();

    void RowsReset() override;
    void RowInserted(std::size_t at) override;
    void RowRemoved(std::size_t at) override;
    void RowChanged(std::size_t at) override;
    void ShowStatus(const std::string& status, const std::string& emptySentence) override;
    void ScrollTo(std::size_t at) override;
    void EnableWriting(const std::string& whyNot, const std::string& labelsWhyNot) override;
    bool Confirm(const std::string& question) override;
    std::string AskCopyDestination(const std::string& name) override;
    void RunAside(std::function<void()> work, std::function<void()> done) override;
    void RunInBackground(std::function<void(const PostStep& post)> work) override;
    void ShowCancel(bool shown) override;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DpiChanged() override {
        sketch_.SetLook(font_, dpi());
        Arrange();
    }
    /** Closed: its presenter goes too, and with it every tie to the library. */
    void Destroyed() override {
        EndRead();
        presenter_.reset(); // tells a details read to stop
        EndBackground();
    }
    /** Waits for the details read, told to stop already, and drops its steps. */
    void EndBackground();
    /** Runs the steps the details read posted. */
    void RunSteps();
    /** Shows the focused row's details in the pane, or says to select one. */
    void ShowFacts();
    /** The header's menu: a check for each column but the name, to show or hide it. */
    void ShowColumnMenu(POINT at);
    /** The band between the list and the details pane that moves their border. */
    [[nodiscard]] RECT SplitterBand() const;
    /** Waits for a read in flight and forgets what was to follow it. */
    void EndRead();
    LRESULT OnNotify(const NMHDR& header, LPARAM lParam);
    void Arrange();
    void Recount();
    [[nodiscard]] std::vector<std::size_t> SelectedRows() const;
    [[nodiscard]] int FocusedRow() const;
    void EditLabel(std::size_t at);
    void ShowMenu(POINT at);
    void RestorePlace();
    void StorePlace();

    MainPresenter& main_;
    HWND mainWindow_ = nullptr;
    HWND filterLabel_ = nullptr;
    std::unique_ptr<LibraryPresenter> presenter_;
    HWND filter_ = nullptr;
    HWND list_ = nullptr;
    HWND status_ = nullptr;
    HWND housekeepingButton_ = nullptr;
    HWND empty_ = nullptr;
    HWND chooseFolder_ = nullptr; ///< under the empty library's sentence
    HWND cancel_ = nullptr;       ///< stops long work under way
    std::vector<HWND> actionButtons_; ///< every action on screen, over the list
    HWND facts_ = nullptr;
    Win32CitySketch sketch_;
    int paneHeight_ = 0;     ///< the details pane's height in pixels; 0 until arranged
    bool splitting_ = false; ///< the band between list and pane is being dragged
    int factsRow_ = -1;
    std::vector<int> widths_; ///< each column's last width, a hidden one's too
    std::thread background_;  ///< the details read
    std::mutex stepsMutex_;
    std::deque<std::function<void()>> steps_; ///< posted by the details read, run here
    std::wstring cell_; ///< the text handed to the list view, alive until its next question
    std::thread read_;             ///< a huge folder's read in flight, one at a time
    std::function<void()> readDone_; ///< what runs on this thread once it has finished
    std::string readOnly_;           ///< why the folder cannot be written to; "" when it can
    bool writable_ = true;
    bool labelsWritable_ = true;
};

} // namespace clipwarden::win32
