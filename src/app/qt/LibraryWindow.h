#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QThreadPool>
#include <QWidget>
#include <memory>

#include "app/qt/CitySketchWidget.h"
#include "app/qt/HousekeepingDialog.h"
#include "core/presenters/LibraryPresenter.h"
#include "core/presenters/LibraryView.h"
#include "core/presenters/MainPresenter.h"

class QToolBar;
class QLabel;
class QSplitter;
class QLineEdit;
class QStackedWidget;
class QTableView;
class QAction;
class QPushButton;

namespace clipwarden {

/** The rows of the Library presenter as Qt's table model: virtual rows, each read when
 *  painted, the presenter's order and filter. */
class LibraryModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit LibraryModel(QObject* parent) : QAbstractTableModel(parent) {}
    void SetPresenter(LibraryPresenter* presenter) { presenter_ = presenter; }

    [[nodiscard]] int rowCount(const QModelIndex& parent) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    void sort(int column, Qt::SortOrder order) override;
    [[nodiscard]] QStringList mimeTypes() const override;
    [[nodiscard]] QMimeData* mimeData(const QModelIndexList& indexes) const override;
    [[nodiscard]] Qt::DropActions supportedDropActions() const override;
    [[nodiscard]] Qt::DropActions supportedDragActions() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

    void SetWritable(bool writable, bool labelsWritable) {
        writable_ = writable;
        labelsWritable_ = labelsWritable;
    }
    /** Where the replays live, for the files a drag hands out. */
    void SetFolder(std::string folder) { folder_ = std::move(folder); }

    using QAbstractTableModel::beginInsertRows;
    using QAbstractTableModel::beginRemoveRows;
    using QAbstractTableModel::beginResetModel;
    using QAbstractTableModel::endInsertRows;
    using QAbstractTableModel::endRemoveRows;
    using QAbstractTableModel::endResetModel;

private:
    LibraryPresenter* presenter_ = nullptr;
    std::string folder_;
    bool writable_ = true;
    bool labelsWritable_ = true;
};

/** The Library window: every stored replay, to play, label, keep, delete, copy and import.
 *  One at a time; it is destroyed when it closes, and with it its model. */
class LibraryWindow final : public QWidget, public LibraryView {
    Q_OBJECT

public:
    /** `mainWindow`: where it opens beside when no place of its own is stored. */
    LibraryWindow(Services& services, MainPresenter& main, QWidget* mainWindow = nullptr);
    ~LibraryWindow() override;
    LibraryWindow(const LibraryWindow&) = delete;
    LibraryWindow& operator=(const LibraryWindow&) = delete;
    LibraryWindow(LibraryWindow&&) = delete;
    LibraryWindow& operator=(LibraryWindow&&) = delete;

    void BringForward();
    LibraryPresenter& presenter() { return *presenter_; }
    QTableView* table() { return table_; }
    /** Opens the Housekeeping dialog (window-modal, it does not block), or brings it up. */
    void ShowHousekeeping();
    HousekeepingDialog* housekeepingDialog() { return housekeeping_; }

    // LibraryView
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

    CitySketchWidget* sketch() { return sketch_; }
    QLabel* facts() { return facts_; }
    /** Shows the current row's details in the pane, or says to select one. */
    void ShowFacts();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    [[nodiscard]] std::vector<std::size_t> SelectedRows() const;
    [[nodiscard]] int CurrentRow() const;
    void RestorePlace();
    void StorePlace();
    void ShowMenu(const QPoint& at);
    /** The header's menu: a check for each column but the name, to show or hide it. */
    void ShowColumnMenu(const QPoint& at);

    MainPresenter& main_;
    QPointer<QWidget> mainWindow_;
    LibraryModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QLineEdit* filterBox_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QLabel* emptySentence_ = nullptr;
    QWidget* emptyPage_ = nullptr;
    QPushButton* housekeepingButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr; ///< stops long work under way
    QPointer<HousekeepingDialog> housekeeping_;
    QStackedWidget* stack_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QToolBar* actionBar_ = nullptr; ///< the actions as buttons, over the list
    QLabel* facts_ = nullptr;
    CitySketchWidget* sketch_ = nullptr;
    int factsRow_ = -1;       ///< the row whose details the pane shows
    std::vector<int> widths_; ///< each column's last width, a hidden one's too
    QAction* deleteAction_ = nullptr;
    QAction* keepAction_ = nullptr;
    QAction* labelAction_ = nullptr;
    /** Reads of a huge folder; destroyed after the presenter, it waits for one in flight. */
    QThreadPool reads_;
    std::unique_ptr<LibraryPresenter> presenter_;
};

} // namespace clipwarden
