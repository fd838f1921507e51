#pragma once

#include <QString>

#include <functional>

class QComboBox;

namespace quillon {

class SettingsStore;

// An editable combo box that shows one recent list of the settings store (see mru.h), newest
// first. Every window with a recent list fills and updates its combo through one of these.
class RecentCombo {
public:
    // `windowActive` is the window's own flag: once it is set, every refill selects the newest
    // entry and runs `newestSelected`, as if the user had chosen it.
    RecentCombo(SettingsStore& store, QString listName, QComboBox* combo, const bool& windowActive,
                std::function<void()> newestSelected = {});

    // Refills the combo from the list; a list never used leaves the combo as it is. Until the
    // window is active the combo keeps its text and nothing is selected. The drop-down grows to
    // show the longest entry whole.
    void reload();
    // Puts the value at the top of the list, moving it up if it is listed, and refills the combo.
    void add(const QString& value);

    QComboBox* combo() const { return combo_; }

private:
    void fitDropDown(const QStringList& entries);

    SettingsStore& store_;
    QString listName_;
    QComboBox* combo_;
    const bool& windowActive_;
    std::function<void()> newestSelected_;
};

}  // namespace quillon
