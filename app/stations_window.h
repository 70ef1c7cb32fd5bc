#pragma once
#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "app/map_symbols.h"
#include "aprs/station_table.h"

class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QTableView;

namespace quilmo {

// The heard-stations table as a Qt model. The table (the session's) tells of every change
// at once; the model only notes it and brings its rows up to date when asked
// (applyPending), in a few range inserts, removals and data changes, never a reset, so
// selection and scroll stay.
class StationsModel : public QAbstractTableModel, private StationTable::Listener {
    Q_OBJECT
public:
    explicit StationsModel(StationTable& table, QObject* parent = nullptr);
    ~StationsModel() override;

    StationTable& table() { return table_; }
    // Called once when the first change after an applyPending arrives.
    void setOnPending(std::function<void()> onPending) { onPending_ = std::move(onPending); }
    bool hasPending() const { return anyPending_; }
    void applyPending();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Raw-value order of two source rows in a column: numbers as numbers, last heard by
    // recency. An empty value reports itself through `aEmpty`/`bEmpty` and compares equal.
    int compareRows(int a, int b, int column, bool& aEmpty, bool& bEmpty) const;
    // The station or the last text contains `needle` (any case).
    bool rowMatches(int row, const QString& needle) const;
    QString cellText(int row, int column) const;
    // The table's row behind a model row; null when there is none.
    const StationRow* stationRow(int row) const { return rowAt(row); }
    // The symbol column shows the symbols of `set` beside their names (none when null).
    void setSymbols(const SymbolSet* set) { symbols_.setSet(set); }

private:
    void rowAdded(StationTable::RowId id) override;
    void rowChanged(StationTable::RowId id) override;
    void rowRemoved(StationTable::RowId id) override;
    void notePending();
    void grow(StationTable::RowId id);
    const StationRow* rowAt(int row) const;

    void applyRemovals();
    void applyChanges();
    void applyAdditions();

    StationTable& table_;
    std::vector<StationTable::RowId> rows_;  // model row -> table row
    std::vector<int> position_;              // table row -> model row, -1 when not shown
    std::vector<std::uint8_t> pending_;      // table row -> kAdd | kChange | kRemove
    std::vector<StationTable::RowId> added_, changed_, removed_;
    bool anyPending_ = false;
    std::function<void()> onPending_;
    mutable SymbolImages symbols_{&installedSymbols()};
};

// Sorting on raw values with the station as the second key, empty values last in either
// direction, and a filter on the station and the last text.
class StationsSortModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setFilterText(const QString& text);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    const StationsModel* stations() const { return static_cast<const StationsModel*>(sourceModel()); }
    QString needle_;
};

// The non-modal "Stations" window on the session's table; while it is shown its rows catch
// up a few times a second, only when something changed, and not at all while it is hidden.
class StationsWindow : public QWidget {
    Q_OBJECT
public:
    using PutClipboard = std::function<void(const QString& text)>;
    StationsWindow(StationTable& table, PutClipboard putClipboard, QWidget* parent = nullptr);

    StationTable& table() { return model_->table(); }
    // Shows the window, or brings it to the front.
    void openWindow();
    // The selected rows as shown, tab-separated, the header line first.
    QString selectedRowsText() const;
    // Where a double-clicked station's latest record comes from (Windows-1252 or UTF-8 text
    // from the air, CR LF lines); it is shown under the table.
    void setLatestRecord(std::function<std::string(const std::string& station)> latestRecord) {
        latestRecord_ = std::move(latestRecord);
    }
    // How long after a change the rows catch up: longer when catching up costs much.
    int catchUpInterval() const { return frame_.interval(); }
    // What the frame timer does: the rows brought up to date and repainted.
    void catchUp();
    StationsModel* model() const { return model_; }
    // The menu of the station in a row of the view as sorted: "Send message", "Show on
    // map", "Show record", "Copy position". The caller owns it; null beside the rows.
    QMenu* stationMenu(int viewRow);

signals:
    // A row was double-clicked: its station.
    void stationActivated(const QString& station);
    // "Send message" or "Show on map" was chosen for the station.
    void sendMessageTo(const QString& station);
    void showOnMap(const QString& station);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void updateCount();
    void showRecord(const QModelIndex& index);

    PutClipboard putClipboard_;
    StationsModel* model_ = nullptr;
    StationsSortModel* sorted_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QLabel* count_ = nullptr;
    QTableView* view_ = nullptr;
    QPlainTextEdit* record_ = nullptr;  // hidden until a row is double-clicked
    std::function<std::string(const std::string& station)> latestRecord_;
    QTimer frame_;
};

}  // namespace quilmo
