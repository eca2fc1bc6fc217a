#include "app/qt/LibraryWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

#include "app/qt/HousekeepingDialog.h"
#include "app/qt/QtText.h"
#include "core/Text.h"
#include "core/presenters/LibraryPlacement.h"

namespace clipwarden {

namespace {

constexpr int kColumns = kLibraryColumns;

LibraryColumn ColumnOf(int section) {
    return static_cast<LibraryColumn>(section);
}

/** The list, telling whether a label is being edited: an editor's keys that it does not take
 *  (Enter) come up to the list, and must not play the row then. */
class LibraryTable final : public QTableView {
public:
    using QTableView::QTableView;
    [[nodiscard]] bool Editing() const { return state() == QAbstractItemView::EditingState; }
};

/** A file name as Qt's text, as the file system's bytes decode under the locale. */
QString NameOfPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace

int LibraryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || presenter_ == nullptr ? 0 : static_cast<int>(presenter_->RowCount());
}

int LibraryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant LibraryModel::data(const QModelIndex& index, int role) const {
    if (presenter_ == nullptr || !index.isValid() ||
        static_cast<std::size_t>(index.row()) >= presenter_->RowCount()) {
        return {};
    }
    const auto at = static_cast<std::size_t>(index.row());
    const LibraryRow& row = presenter_->Row(at);
    const LibraryColumn column = ColumnOf(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        // Bytes that are not UTF-8 show as replacement characters; the row keeps the bytes.
        return column == LibraryColumn::Kept ? QVariant()
                                             : FromBytes(presenter_->CellText(at, column));
    case Qt::CheckStateRole:
        return column == LibraryColumn::Kept ? QVariant(row.kept ? Qt::Checked : Qt::Unchecked)
                                             : QVariant();
    case Qt::FontRole:
        if (row.current || row.inSlot) {
            QFont font;
            font.setBold(row.current);
            font.setItalic(row.inSlot);
            return font;
        }
        return {};
    case Qt::AccessibleDescriptionRole: {
        // What bold and the check box show, said in words.
        QStringList states;
        if (row.current) {
            states << QStringLiteral("current replay");
        }
        if (row.inSlot) {
            states << QStringLiteral("in the slot");
        }
        if (row.kept) {
            states << QStringLiteral("kept");
        }
        return states.join(QStringLiteral(", "));
    }
    case Qt::ToolTipRole:
        if (presenter_->CellIsProblem(at, column)) {
            return FromBytes(row.details.why);
        }
        if (row.current) {
            return QStringLiteral("The current replay: F5 and F6 go on from here.");
        }
        if (row.inSlot) {
            return QStringLiteral("In the slot: replay.rep holds this replay, though F5 and F6 "
                                  "stand elsewhere.");
        }
        return row.readable ? QVariant() : QStringLiteral("This file cannot be read as a replay.");
    case Qt::ForegroundRole:
        return presenter_->CellIsProblem(at, column)
                   ? QVariant(QGuiApplication::palette().color(QPalette::PlaceholderText))
                   : QVariant();
    case Qt::TextAlignmentRole:
        return column == LibraryColumn::Size || column == LibraryColumn::Length
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant();
    default:
        return {};
    }
}

QVariant LibraryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumns) {
        return {};
    }
    return QString::fromLatin1(kLibraryHeaders.at(static_cast<std::size_t>(section)));
}

Qt::ItemFlags LibraryModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (!index.isValid()) {
        return writable_ ? Qt::ItemIsDropEnabled : Qt::NoItemFlags;
    }
    if (ColumnOf(index.column()) == LibraryColumn::Label && labelsWritable_) {
        flags |= Qt::ItemIsEditable;
    }
    if (ColumnOf(index.column()) == LibraryColumn::Kept && labelsWritable_) {
        flags |= Qt::ItemIsUserCheckable;
    }
    return flags;
}

bool LibraryModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (presenter_ == nullptr || !index.isValid()) {
        return false;
    }
    const auto at = static_cast<std::size_t>(index.row());
    if (role == Qt::EditRole && ColumnOf(index.column()) == LibraryColumn::Label) {
        presenter_->OnLabel(at, value.toString().toStdString());
        return true;
    }
    if (role == Qt::CheckStateRole && ColumnOf(index.column()) == LibraryColumn::Kept) {
        presenter_->OnToggleKept({at});
        return true;
    }
    return false;
}

void LibraryModel::sort(int column, Qt::SortOrder order) {
    if (presenter_ != nullptr && column >= 0 && column < kColumns) {
        presenter_->OnSort(ColumnOf(column), order == Qt::AscendingOrder);
    }
}

QStringList LibraryModel::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

QMimeData* LibraryModel::mimeData(const QModelIndexList& indexes) const {
    QList<QUrl> urls;
    QList<int> rows;
    for (const QModelIndex& index : indexes) {
        if (!rows.contains(index.row()) && presenter_ != nullptr) {
            rows.push_back(index.row());
            const std::string& name = presenter_->Row(static_cast<std::size_t>(index.row())).name;
            urls.push_back(QUrl::fromLocalFile(NameOfPath(folder_ + "/" + name)));
        }
    }
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

Qt::DropActions LibraryModel::supportedDropActions() const {
    return Qt::CopyAction;
}

Qt::DropActions LibraryModel::supportedDragActions() const {
    return Qt::CopyAction;
}

bool LibraryModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                   const QModelIndex&) const {
    return writable_ && data->hasUrls();
}

bool LibraryModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int, int,
                                const QModelIndex&) {
    if (presenter_ == nullptr || !writable_ || !data->hasUrls() || action != Qt::CopyAction) {
        return false;
    }
    std::vector<std::string> paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
        }
    }
    presenter_->OnImport(paths);
    return true; // copied: the drag's source keeps its files (a copy action)
}

LibraryWindow::LibraryWindow(Services& services, MainPresenter& main, QWidget* mainWindow)
    : QWidget(nullptr, Qt::Window), main_(main), mainWindow_(mainWindow) {
    static_cast<void>(services); // the same services as the main window's, through `main`
    setObjectName(QStringLiteral("libraryWindow"));
    setWindowTitle(QStringLiteral("Clipwarden Library"));
    setWindowIcon(QIcon(QStringLiteral(":/clipwarden-32.png")));
    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptDrops(true);
    resize(960, 640);
    // The details read runs for long: a delete or an import must not wait behind it.
    reads_.setMaxThreadCount(4);

    filterBox_ = new QLineEdit(this);
    filterBox_->setObjectName(QStringLiteral("filterBox"));
    filterBox_->setPlaceholderText(QStringLiteral("Filter by name, label, place or vehicle"));
    filterBox_->setClearButtonEnabled(true);
    filterBox_->setAccessibleName(QStringLiteral("Filter"));

    model_ = new LibraryModel(this);
    model_->SetFolder(main.library().folder());
    table_ = new LibraryTable(this);
    table_->setObjectName(QStringLiteral("replayList"));
    table_->setAccessibleName(QStringLiteral("Stored replays"));
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked);
    table_->setSortingEnabled(false); // the header's clicks are handled below
    table_->horizontalHeader()->setSectionsClickable(true);
    table_->horizontalHeader()->setSortIndicatorShown(true);
    table_->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    table_->horizontalHeader()->setStretchLastSection(false);
    table_->horizontalHeader()->setSectionsMovable(true);
    table_->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table_->horizontalHeader(), &QHeaderView::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowColumnMenu(at); });
    table_->verticalHeader()->setVisible(false);
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    table_->setWordWrap(false);
    table_->setDragEnabled(true);
    table_->setAcceptDrops(true);
    table_->setDragDropMode(QAbstractItemView::DragDrop);
    table_->setDefaultDropAction(Qt::CopyAction);
    table_->setDropIndicatorShown(false);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    table_->installEventFilter(this);
    widths_.assign(kLibraryDefaultWidths.begin(), kLibraryDefaultWidths.end());
    for (int i = 0; i < kColumns; ++i) {
        table_->setColumnWidth(i, kLibraryDefaultWidths.at(static_cast<std::size_t>(i)));
    }
    connect(table_->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int width) {
                if (width > 0 && section >= 0 && section < kColumns) {
                    widths_.at(static_cast<std::size_t>(section)) = width;
                }
            });

    // The empty library: which folder, why nothing is listed, and a way to another one.
    emptyPage_ = new QWidget(this);
    emptySentence_ = new QLabel(emptyPage_);
    emptySentence_->setObjectName(QStringLiteral("emptySentence"));
    emptySentence_->setWordWrap(true);
    emptySentence_->setAlignment(Qt::AlignCenter);
    emptySentence_->setMargin(24);
    emptySentence_->setAcceptDrops(false);
    emptySentence_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* chooseFolder = new QPushButton(QStringLiteral("&Choose folder\u2026"), emptyPage_);
    chooseFolder->setObjectName(QStringLiteral("chooseFolderButton"));
    chooseFolder->setAutoDefault(false);
    connect(chooseFolder, &QPushButton::clicked, this, [this] { presenter_->OnChooseFolder(); });
    auto* emptyColumn = new QVBoxLayout(emptyPage_);
    emptyPage_->setMinimumSize(1, 1); // the window may be smaller than the sentence wants
    emptyColumn->addStretch(1);
    emptyColumn->addWidget(emptySentence_);
    emptyColumn->addWidget(chooseFolder, 0, Qt::AlignHCenter);
    emptyColumn->addStretch(1);
    stack_ = new QStackedWidget(this);
    stack_->addWidget(table_);
    stack_->addWidget(emptyPage_);

    // The details pane: every figure of the selected replay beside its path on the city.
    auto* pane = new QWidget(this);
    pane->setObjectName(QStringLiteral("detailsPane"));
    facts_ = new QLabel(pane);
    facts_->setObjectName(QStringLiteral("replayFacts"));
    facts_->setAccessibleName(QStringLiteral("Replay details"));
    facts_->setTextFormat(Qt::RichText);
    facts_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    facts_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    facts_->setWordWrap(true);
    facts_->setMinimumWidth(260);
    sketch_ = new CitySketchWidget(pane);
    auto* paneRow = new QHBoxLayout(pane);
    paneRow->setContentsMargins(0, 0, 0, 0);
    paneRow->addWidget(facts_, 1);
    paneRow->addWidget(sketch_, 1);
    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setObjectName(QStringLiteral("detailsSplitter"));
    splitter_->setChildrenCollapsible(true);
    splitter_->addWidget(stack_);
    splitter_->addWidget(pane);
    splitter_->setStretchFactor(0, 3);
    splitter_->setStretchFactor(1, 2);

    statusLine_ = new QLabel(this);
    statusLine_->setObjectName(QStringLiteral("statusLine"));
    statusLine_->setMinimumWidth(1); // a long outcome is cut here and read whole in the tooltip

    housekeepingButton_ = new QPushButton(QStringLiteral("&Housekeeping..."), this);
    housekeepingButton_->setObjectName(QStringLiteral("housekeepingButton"));
    housekeepingButton_->setAutoDefault(false);
    connect(housekeepingButton_, &QPushButton::clicked, this, [this] { ShowHousekeeping(); });

    cancelButton_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    cancelButton_->setAutoDefault(false);
    cancelButton_->hide();
    connect(cancelButton_, &QPushButton::clicked, this, [this] { presenter_->OnCancel(); });
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(statusLine_, 1);
    bottom->addWidget(cancelButton_);
    bottom->addWidget(housekeepingButton_);
    // A tool bar: in a narrow window the actions that do not fit go behind its » button.
    actionBar_ = new QToolBar(this);
    actionBar_->setObjectName(QStringLiteral("libraryActions"));
    actionBar_->setAccessibleName(QStringLiteral("Library actions"));
    actionBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    actionBar_->setMinimumWidth(1); // not as wide as all its buttons
    auto* column = new QVBoxLayout(this);
    column->addWidget(filterBox_);
    column->addWidget(actionBar_);
    column->addWidget(splitter_, 1);
    column->addLayout(bottom);

    const auto action = [this](const char* text, const QKeySequence& keys, auto handler) {
        auto* made = new QAction(QString::fromLatin1(text), this);
        made->setShortcut(keys);
        made->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(made, &QAction::triggered, this, handler);
        table_->addAction(made);
        return made;
    };
    deleteAction_ = action("Move to the &trash", QKeySequence::Delete,
                           [this] { presenter_->OnDelete(SelectedRows()); });
    keepAction_ = action("&Keep", QKeySequence(Qt::CTRL | Qt::Key_K),
                         [this] { presenter_->OnToggleKept(SelectedRows()); });
    labelAction_ = action("Edit &label", QKeySequence(Qt::Key_F2), [this] {
        if (const int row = CurrentRow(); row >= 0 && labelAction_->isEnabled()) {
            table_->edit(model_->index(row, static_cast<int>(LibraryColumn::Label)));
        }
    });
    // Every action on screen too, not only in the menu and the keys.
    auto* load = new QAction(QStringLiteral("L&oad into game"), this);
    connect(load, &QAction::triggered, this, [this] {
        if (const int row = CurrentRow(); row >= 0) {
            presenter_->OnLoadIntoGame(static_cast<std::size_t>(row));
        }
    });
    auto* show = new QAction(QStringLiteral("Show in &folder"), this);
    connect(show, &QAction::triggered, this, [this] {
        if (const int row = CurrentRow(); row >= 0) {
            presenter_->OnShowInFolder(static_cast<std::size_t>(row));
        }
    });
    load->setObjectName(QStringLiteral("loadAction"));
    actionBar_->addActions({load, labelAction_, keepAction_, deleteAction_, show});

    connect(filterBox_, &QLineEdit::textChanged, this,
            [this](const QString& text) { presenter_->OnFilter(text.toStdString()); });
    connect(table_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        const bool ascending =
            presenter_->sortColumn() != ColumnOf(section) || !presenter_->sortAscending();
        table_->horizontalHeader()->setSortIndicator(section, ascending ? Qt::AscendingOrder
                                                                        : Qt::DescendingOrder);
        model_->sort(section, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    });
    // Not `activated`: some styles activate on a single click, and a click must not play.
    connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (ColumnOf(index.column()) != LibraryColumn::Label &&
            ColumnOf(index.column()) != LibraryColumn::Kept) {
            presenter_->OnLoadIntoGame(static_cast<std::size_t>(index.row()));
        }
    });
    connect(table_, &QTableView::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowMenu(at); });

    presenter_ = std::make_unique<LibraryPresenter>(main.libraryParts(), *this);
    model_->SetPresenter(presenter_.get());
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { ShowFacts(); });
    RestorePlace();
    presenter_->Open();
    ShowFacts();
    // Long work under way (moving many replays to the trash) shows how far it has come.
    auto* progress = new QTimer(this);
    connect(progress, &QTimer::timeout, this, [this] { presenter_->OnProgressTick(); });
    progress->start(250);
}

void LibraryWindow::ShowCancel(bool shown) {
    cancelButton_->setVisible(shown);
}

void LibraryWindow::ShowFacts() {
    const int row = CurrentRow();
    factsRow_ = row;
    if (row < 0 || presenter_ == nullptr ||
        static_cast<std::size_t>(row) >= presenter_->RowCount()) {
        facts_->setText(QStringLiteral("Select a replay to see what it holds."));
        sketch_->Clear();
        return;
    }
    const ReplayFacts facts = presenter_->FactsOf(static_cast<std::size_t>(row));
    QString html = QStringLiteral("<b>") +
                   FromBytes(EscapeText(facts.name, false)).toHtmlEscaped() +
                   QStringLiteral("</b><table cellspacing=\"2\">");
    for (const auto& [label, value] : facts.facts) {
        html += QStringLiteral("<tr><td>") + FromBytes(label).toHtmlEscaped() +
                QStringLiteral(":&nbsp;</td><td>") + FromBytes(value).toHtmlEscaped() +
                QStringLiteral("</td></tr>");
    }
    facts_->setText(html + QStringLiteral("</table>"));
    if (facts.replay) {
        sketch_->Show(facts.sketch);
    } else {
        sketch_->Clear();
    }
}

void LibraryWindow::ShowColumnMenu(const QPoint& at) {
    QHeaderView* header = table_->horizontalHeader();
    QMenu menu(this);
    for (int i = 1; i < kColumns; ++i) { // the name always shows
        QAction* shown =
            menu.addAction(QString::fromLatin1(kLibraryColumnMenu.at(static_cast<std::size_t>(i))));
        shown->setCheckable(true);
        shown->setChecked(!header->isSectionHidden(i));
        connect(shown, &QAction::toggled, this,
                [header, i](bool on) { header->setSectionHidden(i, !on); });
    }
    menu.exec(header->mapToGlobal(at));
}

LibraryWindow::~LibraryWindow() {
    model_->SetPresenter(nullptr);
}

void LibraryWindow::ShowHousekeeping() {
    if (housekeeping_ == nullptr) {
        const LibraryParts parts = main_.libraryParts();
        housekeeping_ = new HousekeepingDialog(parts.housekeeper, parts.clock, this);
        housekeeping_->setAttribute(Qt::WA_DeleteOnClose);
        connect(housekeeping_, &QDialog::finished, this, [this] { presenter_->OnRulesChanged(); });
        housekeeping_->open();
    }
    housekeeping_->raise();
    housekeeping_->activateWindow();
}

void LibraryWindow::BringForward() {
    showNormal();
    raise();
    activateWindow();
}

bool LibraryWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_ && event->type() == QEvent::KeyPress &&
        !static_cast<LibraryTable*>(table_)->Editing()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // F2 is the view's own edit key, for the cell with the focus: here it is the label's.
        if (key->key() == Qt::Key_F2 && key->modifiers() == Qt::NoModifier) {
            labelAction_->trigger();
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::NoModifier) {
            if (const int row = CurrentRow(); row >= 0) {
                presenter_->OnLoadIntoGame(static_cast<std::size_t>(row));
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LibraryWindow::ShowMenu(const QPoint& at) {
    const QModelIndex index = table_->indexAt(at);
    if (!index.isValid()) {
        return;
    }
    const auto row = static_cast<std::size_t>(index.row());
    QMenu menu(this);
    // Enter does it too: the menu says so beside it.
    menu.addAction(QStringLiteral("&Load into game\tEnter"), this,
                   [this, row] { presenter_->OnLoadIntoGame(row); });
    menu.addAction(labelAction_);
    menu.addAction(keepAction_);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Show in &folder"), this,
                   [this, row] { presenter_->OnShowInFolder(row); });
    menu.addAction(QStringLiteral("&Copy to…"), this, [this, row] { presenter_->OnCopyTo(row); });
    menu.addSeparator();
    menu.addAction(deleteAction_);
    menu.exec(table_->viewport()->mapToGlobal(at));
}

std::vector<std::size_t> LibraryWindow::SelectedRows() const {
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
        rows.push_back(static_cast<std::size_t>(index.row()));
    }
    if (rows.empty() && CurrentRow() >= 0) {
        rows.push_back(static_cast<std::size_t>(CurrentRow()));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

int LibraryWindow::CurrentRow() const {
    const QModelIndex current = table_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

// The presenter has changed its rows already; the model only tells the views.
void LibraryWindow::RowsReset() {
    model_->beginResetModel();
    model_->endResetModel();
    ShowFacts();
}

void LibraryWindow::RowInserted(std::size_t at) {
    model_->beginInsertRows({}, static_cast<int>(at), static_cast<int>(at));
    model_->endInsertRows();
}

void LibraryWindow::RowRemoved(std::size_t at) {
    model_->beginRemoveRows({}, static_cast<int>(at), static_cast<int>(at));
    model_->endRemoveRows();
}

void LibraryWindow::RowChanged(std::size_t at) {
    const int row = static_cast<int>(at);
    const QModelIndex editing =
        static_cast<LibraryTable*>(table_)->Editing() ? table_->currentIndex() : QModelIndex();
    if (editing.isValid() && editing.row() == row) {
        // Details that come in while the label is typed must not put the old one back into
        // the editor: the cells around it are told, not the one being edited.
        const int column = editing.column();
        if (column > 0) {
            emit model_->dataChanged(model_->index(row, 0), model_->index(row, column - 1));
        }
        if (column + 1 < kColumns) {
            emit model_->dataChanged(model_->index(row, column + 1),
                                     model_->index(row, kColumns - 1));
        }
    } else {
        emit model_->dataChanged(model_->index(row, 0), model_->index(row, kColumns - 1));
    }
    if (row == factsRow_ && row == CurrentRow()) {
        ShowFacts(); // read again: it may have changed on disk
    }
}

void LibraryWindow::ShowStatus(const std::string& status, const std::string& emptySentence) {
    statusLine_->setText(FromBytes(status));
    statusLine_->setToolTip(statusLine_->text());
    emptySentence_->setText(FromBytes(emptySentence));
    stack_->setCurrentWidget(emptySentence.empty() ? static_cast<QWidget*>(table_) : emptyPage_);
}

void LibraryWindow::ScrollTo(std::size_t at) {
    const QModelIndex index = model_->index(static_cast<int>(at), 0);
    table_->scrollTo(index, QAbstractItemView::PositionAtCenter);
    table_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
}

void LibraryWindow::EnableWriting(const std::string& whyNot, const std::string& labelsWhyNot) {
    model_->SetFolder(main_.library().folder());
    model_->SetWritable(whyNot.empty(), labelsWhyNot.empty());
    table_->setAcceptDrops(whyNot.empty());
    deleteAction_->setEnabled(whyNot.empty());
    deleteAction_->setToolTip(FromBytes(whyNot));
    keepAction_->setEnabled(labelsWhyNot.empty());
    keepAction_->setToolTip(FromBytes(labelsWhyNot));
    labelAction_->setEnabled(labelsWhyNot.empty());
    labelAction_->setToolTip(FromBytes(labelsWhyNot));
    table_->setToolTip(whyNot.empty() ? QString() : FromBytes("Read-only: " + whyNot + "."));
}

bool LibraryWindow::Confirm(const std::string& question) {
    return QMessageBox::question(this, QStringLiteral("Clipwarden"), FromBytes(question),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

std::string LibraryWindow::AskCopyDestination(const std::string& name) {
    const QString start = QDir::home().filePath(NameOfPath(name));
    const QString chosen =
        QFileDialog::getSaveFileName(this, QStringLiteral("Copy the replay to"), start,
                                     QStringLiteral("GTA:VC replays (*.rep);;All files (*)"));
    return chosen.isEmpty() ? std::string() : QFile::encodeName(chosen).toStdString();
}

void LibraryWindow::RunAside(std::function<void()> work, std::function<void()> done) {
    reads_.start([this, work = std::move(work), done = std::move(done)]() mutable {
        work();
        // Back on the GUI thread; dropped with the window if it has closed meanwhile.
        QMetaObject::invokeMethod(this, std::move(done), Qt::QueuedConnection);
    });
}

void LibraryWindow::RunInBackground(std::function<void(const PostStep& post)> work) {
    reads_.start([this, work = std::move(work)] {
        work([this](std::function<void()> step) {
            // Back on the GUI thread; dropped with the window if it has closed meanwhile.
            QMetaObject::invokeMethod(this, std::move(step), Qt::QueuedConnection);
        });
    });
}

void LibraryWindow::RestorePlace() {
    const LibraryPlace place = ReadLibraryPlace(main_.settings(), kColumns);
    bool placed = false;
    if (place.frame) {
        const auto& f = *place.frame;
        const QRect rect(f[0], f[1], f[2], f[3]);
        // A place on a screen that is gone (a second monitor unplugged) is not used.
        const auto screens = QGuiApplication::screens();
        if (std::any_of(screens.begin(), screens.end(), [&](QScreen* screen) {
                return screen->availableGeometry().intersects(rect);
            })) {
            resize(rect.size());
            move(rect.topLeft());
            placed = true;
        }
    }
    if (!placed && mainWindow_ != nullptr && mainWindow_->screen() != nullptr) {
        // Beside the main window (to its right, else its left), not over its log.
        const QRect main = mainWindow_->frameGeometry();
        const QRect area = mainWindow_->screen()->availableGeometry();
        constexpr int kGap = 8;
        QPoint at(main.right() + kGap, main.top());
        if (at.x() + width() > area.right()) {
            at.setX(std::max(area.left(), main.left() - kGap - width()));
        }
        move(at.x(), std::max(area.top(), std::min(at.y(), area.bottom() - height())));
    }
    QHeaderView* header = table_->horizontalHeader();
    for (int i = 0; i < kColumns; ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (const int width = place.widths[at]; width > 0) {
            table_->setColumnWidth(i, width);
        }
        header->setSectionHidden(i, place.hidden[at]);
    }
    for (int visual = 0; visual < kColumns; ++visual) {
        header->moveSection(header->visualIndex(place.order[static_cast<std::size_t>(visual)]),
                            visual);
    }
    if (place.split) {
        splitter_->setSizes({(*place.split)[0], (*place.split)[1]});
    }
}

void LibraryWindow::StorePlace() {
    const QRect frame = geometry();
    LibraryPlace place;
    place.frame = {frame.x(), frame.y(), frame.width(), frame.height()};
    const QHeaderView* header = table_->horizontalHeader();
    for (int i = 0; i < kColumns; ++i) {
        // A hidden column keeps the width it had when it shows again.
        place.widths.push_back(widths_.at(static_cast<std::size_t>(i)));
        place.order.push_back(header->logicalIndex(i));
        place.hidden.push_back(header->isSectionHidden(i));
    }
    const QList<int> sizes = splitter_->sizes();
    if (sizes.size() == 2) {
        place.split = std::vector<int>{sizes[0], sizes[1]};
    }
    for (const auto& [key, value] : LibraryPlaceSettings(place)) {
        main_.WriteSetting(key, value);
    }
}

// Drops that miss the list (the empty library's sentence) are imported all the same.
void LibraryWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (table_->acceptDrops() && event->mimeData()->hasUrls()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void LibraryWindow::dropEvent(QDropEvent* event) {
    if (table_->acceptDrops() &&
        model_->dropMimeData(event->mimeData(), Qt::CopyAction, -1, -1, {})) {
        event->setDropAction(Qt::CopyAction);
    }
    event->accept();
}

void LibraryWindow::closeEvent(QCloseEvent* event) {
    StorePlace();
    event->accept();
}

} // namespace clipwarden
