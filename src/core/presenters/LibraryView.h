#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace clipwarden {

/** What the Library window shows and asks when its presenter tells it to. Rows are read from
 *  the presenter; the view hears which of them changed. */
class LibraryView {
public:
    LibraryView() = default;
    virtual ~LibraryView() = default;
    LibraryView(const LibraryView&) = delete;
    LibraryView& operator=(const LibraryView&) = delete;
    LibraryView(LibraryView&&) = delete;
    LibraryView& operator=(LibraryView&&) = delete;

    /** Every row may have changed (a new folder, filter or order): read them all again. */
    virtual void RowsReset() = 0;
    virtual void RowInserted(std::size_t at) = 0;
    virtual void RowRemoved(std::size_t at) = 0;
    virtual void RowChanged(std::size_t at) = 0;

    /** The count and size of the library, or the sentence an empty library shows instead of
     *  the list ("" when it is not empty). */
    virtual void ShowStatus(const std::string& status, const std::string& emptySentence) = 0;

    /** Brings the row into view and marks it as the one with the focus. */
    virtual void ScrollTo(std::size_t at) = 0;

    /** The actions that write into the folder are enabled, or disabled with `whyNot` as
     *  their tooltip; likewise the label and keep actions with `labelsWhyNot`. */
    virtual void EnableWriting(const std::string& whyNot, const std::string& labelsWhyNot) = 0;

    /** Shows the Cancel of long work under way (moving many replays to the trash), or hides
     *  it; the work's progress is on the status line. */
    virtual void ShowCancel(bool shown) { static_cast<void>(shown); }

    /** Asks a yes/no question; true for yes. */
    virtual bool Confirm(const std::string& question) = 0;

    /** Asks where a copy of `name` goes, the system's file dialog starting in the user's own
     *  folder; "" when cancelled. Replacing a file there was confirmed when it returns. */
    virtual std::string AskCopyDestination(const std::string& name) = 0;

    /** Runs `work` (reading thousands of files) away from the GUI thread where the view can,
     *  then `done` on the GUI thread; `done` is dropped when the view has gone meanwhile.
     *  Here both run at once. */
    virtual void RunAside(std::function<void()> work, std::function<void()> done) {
        work();
        done();
    }

    /** Runs a step on the GUI thread soon; callable from any thread. */
    using PostStep = std::function<void(std::function<void()> step)>;

    /** Runs long `work` (the background read of details) on a thread of its own, handing it
     *  `post` for the steps it shows on the way; steps left when the view goes are dropped.
     *  The view waits for the work when it goes: its owner tells it to stop first. Here it
     *  runs at once, each step as it is posted. */
    virtual void RunInBackground(std::function<void(const PostStep& post)> work) {
        work([](std::function<void()> step) { step(); });
    }
};

} // namespace clipwarden
