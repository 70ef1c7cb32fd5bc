#include "app/stations_window.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

#include "platform/qt_text.h"

namespace quilmo {
namespace {

enum : std::uint8_t { kAdd = 1, kChange = 2, kRemove = 4 };

// The finest column, "last heard", changes once a second, so one update a second shows
// every change the eye can read. Each one repaints every visible row (a sorted view moves
// rows about), so the frames are further apart than the growing views' of the main window.
// When one catch-up costs much (tens of thousands of rows under a flood) the next waits
// longer, so the window never takes much of a core.
constexpr int kFrameMs = 1000;
constexpr int kLongestFrameMs = 2000;
constexpr int kFrameToWork = 8;  // frame interval per unit of catch-up time: at most 1/8 of a core
// More scattered changes than this go to the sorting proxy as one range: it re-sorts that
// range in one go instead of moving its rows about once per run.
constexpr std::size_t kMostRuns = 128;
constexpr int kLastColumn = static_cast<int>(kStationColumnCount) - 1;

template <typename T>
int compareValues(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Runs of neighbouring numbers in a sorted list, handed on as (first, last) pairs.
template <typename OnRun>
void forEachRun(const std::vector<int>& sorted, int step, OnRun&& onRun) {
    for (std::size_t i = 0; i < sorted.size();) {
        std::size_t j = i;
        while (j + 1 < sorted.size() && sorted[j + 1] == sorted[j] + step) ++j;
        onRun(sorted[i], sorted[j]);
        i = j + 1;
    }
}

bool isNumberColumn(StationColumn c) {
    return c == StationColumn::Packets || c == StationColumn::Latitude || c == StationColumn::Longitude ||
           c == StationColumn::DistanceKm || c == StationColumn::SpeedKmh || c == StationColumn::AltitudeM;
}

// A tab or line break inside a cell would break the copied table apart.
QString harmless(QString cell) {
    for (QChar& ch : cell)
        if (ch == u'\t' || ch == u'\r' || ch == u'\n') ch = u' ';
    return cell;
}

}  // namespace

StationsModel::StationsModel(StationTable& table, QObject* parent) : QAbstractTableModel(parent), table_(table) {
    table_.addListener(this);
    // Stations heard before the model was made are waiting as additions.
    table_.forEachNewestFirst([this](StationTable::RowId id, const StationRow&) { rowAdded(id); });
}

StationsModel::~StationsModel() { table_.removeListener(this); }

void StationsModel::grow(StationTable::RowId id) {
    if (id < position_.size()) return;
    position_.resize(id + 1, -1);
    pending_.resize(id + 1, 0);
}

void StationsModel::notePending() {
    if (anyPending_) return;
    anyPending_ = true;
    if (onPending_) onPending_();
}

void StationsModel::rowAdded(StationTable::RowId id) {
    grow(id);
    pending_[id] |= kAdd;
    added_.push_back(id);
    notePending();
}

void StationsModel::rowChanged(StationTable::RowId id) {
    grow(id);
    // A row still to be added shows its latest state when it comes; one already noted is enough.
    if ((pending_[id] & (kAdd | kChange)) != 0 || position_[id] < 0) return;
    pending_[id] |= kChange;
    changed_.push_back(id);
    notePending();
}

void StationsModel::rowRemoved(StationTable::RowId id) {
    grow(id);
    // The id may come back for another station before the next frame: what is shown under it
    // goes, what was still to be added never comes.
    pending_[id] &= static_cast<std::uint8_t>(~(kAdd | kChange));
    if (position_[id] >= 0 && (pending_[id] & kRemove) == 0) {
        pending_[id] |= kRemove;
        removed_.push_back(id);
    }
    notePending();
}

void StationsModel::applyPending() {
    if (!anyPending_) return;
    anyPending_ = false;
    applyRemovals();
    applyChanges();
    applyAdditions();
}

void StationsModel::applyRemovals() {
    std::vector<int> gone;
    for (const StationTable::RowId id : removed_) {
        if ((pending_[id] & kRemove) == 0) continue;
        pending_[id] &= static_cast<std::uint8_t>(~kRemove);
        gone.push_back(position_[id]);
        position_[id] = -1;
    }
    removed_.clear();
    if (gone.empty()) return;
    // From the bottom up, so the rows still to go keep their numbers.
    std::sort(gone.begin(), gone.end(), std::greater<>());
    forEachRun(gone, -1, [this](int last, int first) {
        beginRemoveRows({}, first, last);
        rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
        endRemoveRows();
    });
    for (std::size_t row = static_cast<std::size_t>(gone.back()); row < rows_.size(); ++row)
        position_[rows_[row]] = static_cast<int>(row);
}

void StationsModel::applyChanges() {
    std::vector<int> touched;
    for (const StationTable::RowId id : changed_) {
        if ((pending_[id] & kChange) == 0) continue;
        pending_[id] &= static_cast<std::uint8_t>(~kChange);
        if (position_[id] >= 0) touched.push_back(position_[id]);
    }
    changed_.clear();
    std::sort(touched.begin(), touched.end());
    std::size_t runs = 0;
    forEachRun(touched, 1, [&runs](int, int) { ++runs; });
    if (runs > kMostRuns) {
        emit dataChanged(index(touched.front(), 0), index(touched.back(), kLastColumn));
        return;
    }
    forEachRun(touched, 1, [this](int first, int last) {
        emit dataChanged(index(first, 0), index(last, kLastColumn));
    });
}

void StationsModel::applyAdditions() {
    std::vector<StationTable::RowId> fresh;
    for (const StationTable::RowId id : added_) {
        if ((pending_[id] & kAdd) == 0) continue;
        pending_[id] &= static_cast<std::uint8_t>(~kAdd);
        fresh.push_back(id);
    }
    added_.clear();
    if (fresh.empty()) return;
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(fresh.size()) - 1);
    for (const StationTable::RowId id : fresh) {
        position_[id] = static_cast<int>(rows_.size());
        rows_.push_back(id);
    }
    endInsertRows();
}

int StationsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int StationsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(kStationColumnCount);
}

const StationRow* StationsModel::rowAt(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return nullptr;
    // Between frames a row shown may have left the table already.
    const StationTable::RowId id = rows_[static_cast<std::size_t>(row)];
    return table_.holds(id) ? &table_.row(id) : nullptr;
}

QString StationsModel::cellText(int row, int column) const {
    const StationRow* r = rowAt(row);
    if (r == nullptr || column < 0 || column >= static_cast<int>(kStationColumnCount)) return {};
    return fromAirText(stationCellText(*r, static_cast<StationColumn>(column)));
}

QVariant StationsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return cellText(index.row(), index.column());
    if (role == Qt::DecorationRole && index.column() == static_cast<int>(StationColumn::Symbol)) {
        const StationRow* r = rowAt(index.row());
        const QImage* image = r != nullptr ? symbols_.image(r->symbolTable, r->symbolCode, false, 1) : nullptr;
        return image != nullptr ? QVariant(*image) : QVariant();
    }
    if (role == Qt::TextAlignmentRole) {
        const bool number = isNumberColumn(static_cast<StationColumn>(index.column()));
        return static_cast<int>((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    return {};
}

QVariant StationsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(kStationColumnCount))
        return {};
    const std::string_view name = kStationColumnNames[static_cast<std::size_t>(section)];
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

int StationsModel::compareRows(int a, int b, int column, bool& aEmpty, bool& bEmpty) const {
    const StationRow* ra = rowAt(a);
    const StationRow* rb = rowAt(b);
    aEmpty = ra == nullptr;
    bEmpty = rb == nullptr;
    if (aEmpty || bEmpty) return 0;
    const auto text = [&](const std::string& x, const std::string& y) {
        aEmpty = x.empty();
        bEmpty = y.empty();
        return x.compare(y) < 0 ? -1 : (x == y ? 0 : 1);
    };
    const auto number = [&](const auto& x, const auto& y) {
        aEmpty = !x.has_value();
        bEmpty = !y.has_value();
        return aEmpty || bEmpty ? 0 : compareValues(*x, *y);
    };
    switch (static_cast<StationColumn>(column)) {
    case StationColumn::Station: return text(ra->station, rb->station);
    case StationColumn::LastHeard: return compareValues(ra->heardOrder, rb->heardOrder);
    case StationColumn::Via: return text(ra->via, rb->via);
    case StationColumn::Packets: return compareValues(ra->packets, rb->packets);
    case StationColumn::Symbol: return text(ra->symbol, rb->symbol);
    case StationColumn::Device: return text(ra->device, rb->device);
    case StationColumn::Latitude:
    case StationColumn::Longitude: {
        aEmpty = !ra->hasPosition;
        bEmpty = !rb->hasPosition;
        const bool lat = static_cast<StationColumn>(column) == StationColumn::Latitude;
        return compareValues(lat ? ra->latitude : ra->longitude, lat ? rb->latitude : rb->longitude);
    }
    case StationColumn::DistanceKm: return number(ra->distanceKm, rb->distanceKm);
    case StationColumn::Azimuth: return number(ra->azimuthDeg, rb->azimuthDeg);
    case StationColumn::SpeedKmh: return number(ra->speedKmh, rb->speedKmh);
    case StationColumn::Course: return number(ra->courseDeg, rb->courseDeg);
    case StationColumn::AltitudeM: return number(ra->altitudeM, rb->altitudeM);
    case StationColumn::LastText: return text(ra->lastText, rb->lastText);
    }
    return 0;
}

bool StationsModel::rowMatches(int row, const QString& needle) const {
    const StationRow* r = rowAt(row);
    if (r == nullptr) return false;
    return fromAirText(r->station).contains(needle, Qt::CaseInsensitive) ||
           fromAirText(r->lastText).contains(needle, Qt::CaseInsensitive);
}

void StationsSortModel::setFilterText(const QString& text) {
    if (text == needle_) return;
    needle_ = text;
    invalidateRowsFilter();
}

bool StationsSortModel::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    bool leftEmpty = false;
    bool rightEmpty = false;
    int order = stations()->compareRows(left.row(), right.row(), left.column(), leftEmpty, rightEmpty);
    // Rows without a value stay at the bottom whichever way the column is sorted.
    if (leftEmpty != rightEmpty) return sortOrder() == Qt::AscendingOrder ? rightEmpty : leftEmpty;
    if (order == 0 && left.column() != static_cast<int>(StationColumn::Station))
        order = stations()->compareRows(left.row(), right.row(), static_cast<int>(StationColumn::Station), leftEmpty,
                                        rightEmpty);
    return order < 0;
}

bool StationsSortModel::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    return needle_.isEmpty() || stations()->rowMatches(sourceRow, needle_);
}

StationsWindow::StationsWindow(StationTable& table, PutClipboard putClipboard, QWidget* parent)
    : QWidget(parent, Qt::Window), putClipboard_(std::move(putClipboard)), frame_(this) {
    setObjectName(QStringLiteral("Stations"));
    setWindowTitle(QStringLiteral("Stations"));
    if (!putClipboard_) putClipboard_ = [](const QString& text) { QApplication::clipboard()->setText(text); };

    model_ = new StationsModel(table, this);
    sorted_ = new StationsSortModel(this);
    sorted_->setSourceModel(model_);

    filter_ = new QLineEdit(this);
    filter_->setObjectName(QStringLiteral("StationsFilter"));
    filter_->setPlaceholderText(QStringLiteral("filter: station or last text"));
    filter_->setClearButtonEnabled(true);
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("StationsCount"));

    view_ = new QTableView(this);
    view_->setObjectName(QStringLiteral("StationsTable"));
    view_->setModel(sorted_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setWordWrap(false);
    view_->setAlternatingRowColors(true);
    view_->verticalHeader()->hide();
    // Fixed row heights: nothing is measured per row, however many there are.
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    view_->horizontalHeader()->setStretchLastSection(true);
    view_->horizontalHeader()->setSortIndicatorShown(true);
    // Widths from typical contents, not measured over the rows: that would cost per row.
    const char* widest[] = {"WWWWWW-15W", "2026-12-05 09:05:03", "WWWWWW-15", "packets", "Weather station",
                            "Kenwood TH-D72", "-44.50833", "-172.02917", "distance km", "359°NW", "speed km/h",
                            "359.9°NW", "altitude m", "a comment of a usual length"};
    QFont sortedHeader = view_->horizontalHeader()->font();
    sortedHeader.setBold(true);  // the sorted column's caption, with room for the arrow
    int tableWidth = 0;
    for (int c = 0; c < static_cast<int>(std::size(widest)); ++c) {
        const int content = view_->fontMetrics().horizontalAdvance(QString::fromUtf8(widest[c])) + 16;
        const int caption = QFontMetrics(sortedHeader).horizontalAdvance(model_->headerData(c, Qt::Horizontal).toString()) + 32;
        view_->setColumnWidth(c, std::max(content, caption));
        tableWidth += view_->columnWidth(c);
    }
    view_->setSortingEnabled(true);
    view_->sortByColumn(static_cast<int>(StationColumn::LastHeard), Qt::DescendingOrder);

    // The view's own Ctrl+C copies one cell; here it copies the selected rows.
    auto* copy = new QShortcut(QKeySequence(QKeySequence::Copy), view_);
    copy->setContext(Qt::WidgetShortcut);
    connect(copy, &QShortcut::activated, this, [this] { putClipboard_(selectedRowsText()); });

    auto* top = new QHBoxLayout;
    top->addWidget(filter_, 1);
    top->addWidget(count_);
    record_ = new QPlainTextEdit(this);
    record_->setObjectName(QStringLiteral("StationsRecord"));
    record_->setReadOnly(true);
    record_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // As the console's APRS view shows a record.
    record_->setStyleSheet(QStringLiteral("QPlainTextEdit { color: #FFFF00; background-color: #000000; }"));
    record_->setFixedHeight(record_->fontMetrics().lineSpacing() * 12 + 12);
    record_->hide();
    connect(view_, &QTableView::doubleClicked, this, &StationsWindow::showRecord);
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view_, &QTableView::customContextMenuRequested, this, [this](QPoint at) {
        QMenu* menu = stationMenu(view_->indexAt(at).row());
        if (menu == nullptr) return;
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(view_->viewport()->mapToGlobal(at));
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(view_, 1);
    layout->addWidget(record_);
    resize(std::min(tableWidth + 40, screen()->availableGeometry().width()), 480);

    connect(filter_, &QLineEdit::textChanged, this, [this](const QString& text) {
        sorted_->setFilterText(text);
        updateCount();
    });
    frame_.setSingleShot(true);
    frame_.setInterval(kFrameMs);
    connect(&frame_, &QTimer::timeout, this, &StationsWindow::catchUp);
    model_->setOnPending([this] {
        if (isVisible()) frame_.start();
    });
    updateCount();
}

void StationsWindow::showRecord(const QModelIndex& index) {
    const QModelIndex source = sorted_->mapToSource(index);
    const StationRow* row = model_->stationRow(source.row());
    if (row == nullptr) return;
    const std::string record = latestRecord_ ? latestRecord_(row->station) : std::string();
    record_->setPlainText(fromAirText(record).trimmed());
    record_->setVisible(!record.empty());
    emit stationActivated(fromAirText(row->station));
}

QMenu* StationsWindow::stationMenu(int viewRow) {
    const QModelIndex index = sorted_->index(viewRow, 0);
    const StationRow* row = index.isValid() ? model_->stationRow(sorted_->mapToSource(index).row()) : nullptr;
    if (row == nullptr) return nullptr;
    // The row may leave the table before an action is chosen: the actions look it up again.
    const std::string name = row->station;
    const QString shown = fromAirText(name);
    auto* menu = new QMenu(this);
    menu->addAction(QStringLiteral("Send message"), this, [this, shown] { emit sendMessageTo(shown); });
    QAction* onMap = menu->addAction(QStringLiteral("Show on map"), this, [this, shown] { emit showOnMap(shown); });
    onMap->setEnabled(row->hasPosition);
    menu->addAction(QStringLiteral("Show record"), this, [this, name] {
        for (int r = 0; r < sorted_->rowCount(); ++r) {
            const QModelIndex at = sorted_->index(r, 0);
            const StationRow* candidate = model_->stationRow(sorted_->mapToSource(at).row());
            if (candidate != nullptr && candidate->station == name) return showRecord(at);
        }
    });
    QAction* copy = menu->addAction(QStringLiteral("Copy position"), this, [this, name] {
        const StationTable::RowId id = table().find(name);
        if (id == StationTable::kNoRow || !table().row(id).hasPosition) return;
        const StationRow& r = table().row(id);
        putClipboard_(QStringLiteral("%1, %2").arg(r.latitude, 0, 'f', 5).arg(r.longitude, 0, 'f', 5));
    });
    copy->setEnabled(row->hasPosition);
    return menu;
}

void StationsWindow::openWindow() {
    show();
    raise();
    activateWindow();
}

void StationsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    catchUp();
}

void StationsWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    frame_.stop();
}

void StationsWindow::catchUp() {
    if (!model_->hasPending()) return;
    QElapsedTimer work;
    work.start();
    model_->applyPending();
    updateCount();
    // The repaint the changes cause is part of the work.
    view_->viewport()->repaint();
    const qint64 spent = work.elapsed();
    frame_.setInterval(static_cast<int>(std::clamp<qint64>(spent * kFrameToWork, kFrameMs, kLongestFrameMs)));
}

void StationsWindow::updateCount() {
    const int total = model_->rowCount();
    const int shown = sorted_->rowCount();
    count_->setText(shown == total ? QStringLiteral("stations: %1").arg(total)
                                   : QStringLiteral("stations: %1 of %2").arg(shown).arg(total));
}

QString StationsWindow::selectedRowsText() const {
    QModelIndexList rows = view_->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList cells;
    for (const std::string_view name : kStationColumnNames)
        cells << QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    QString out = cells.join(u'\t') + u'\n';
    for (const QModelIndex& index : rows) {
        const int source = sorted_->mapToSource(index).row();
        cells.clear();
        for (int c = 0; c < static_cast<int>(kStationColumnCount); ++c) cells << harmless(model_->cellText(source, c));
        out += cells.join(u'\t') + u'\n';
    }
    return out;
}

}  // namespace quilmo
