#pragma once
#include <QPixmap>
#include <QWidget>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/config.h"
#include "app/config_writer.h"
#include "map/web_mercator.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace quilmo {

// The picture of an APRS symbol ("/>") as the map draws it, for the symbol grid.
QPixmap symbolPicture(std::string_view symbol, int size);

// The non-modal "Settings" window: every key of Quilmo.ini, grouped as a user thinks of
// them, each field with its value, its default and what it does. Every value goes through
// the reader's own check as it is typed; one the program would correct or refuse is marked
// with the reason, and Save waits until none is. Save (the button or Enter) writes only the
// keys that changed.
class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    SettingsWindow(std::string filesFolder, QWidget* parent = nullptr);

    // Shows the window with the fields as `current` has them; `hint` is one line on what
    // to fill in first (the first start), empty otherwise.
    void openWindow(const Settings& current, const QString& hint = {});
    // The fields as `current` has them; edits not saved are lost.
    void load(const Settings& current);
    // The own position taken from the map.
    void setPosition(GeoPoint at);
    // Writes the changed keys; false when something is marked or the file could not be
    // written (the edits stay, the reason is shown).
    bool save();

    // Tests and the window's owner look at the fields by key.
    QWidget* editor(const std::string& key) const;
    QString problem(const std::string& key) const;
    QString saveMessage() const;
    QString hint() const;
    std::vector<SettingChange> changes() const;
    // The file's bytes as the last save left them; empty before any.
    const std::string& lastWritten() const { return lastWritten_; }

signals:
    // Quilmo.ini was written; the program reads it again.
    void saved();
    // "pick on map": the map waits for a click.
    void pickRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Field {
        std::string key;
        QLineEdit* line = nullptr;  // or
        QCheckBox* flag = nullptr;
        QLabel* problem = nullptr;
        std::string original;  // the value as the file has it (or the default), in its bytes
    };
    QWidget* addGroup(const QString& title, const std::vector<std::string_view>& keys);
    void addField(QGridLayout* grid, int row, const std::string& key);
    QWidget* makeEditor(const std::string& key, QWidget* parent);
    std::string valueOf(const Field& field) const;
    void recheck();
    void chooseSymbol();
    void computePasscode();

    std::string dir_;
    std::map<std::string, Field> fields_;
    QTabWidget* tabs_ = nullptr;
    QLabel* hint_ = nullptr;
    QLabel* saveMessage_ = nullptr;
    QPushButton* save_ = nullptr;
    QComboBox* device_ = nullptr;
    bool backedUp_ = false;
    std::string lastWritten_;
};

}  // namespace quilmo
