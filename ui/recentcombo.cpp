#include "recentcombo.h"

#include "combowidth.h"
#include "mru.h"
#include "utilities.h"

#include <QComboBox>

namespace quillon {

namespace {

// Room for the drop-down's scroll bar beside the longest entry.
constexpr int dropWidthMargin = 25;

}  // namespace

RecentCombo::RecentCombo(SettingsStore& store, QString listName, QComboBox* combo, const bool& windowActive,
                         std::function<void()> newestSelected)
    : store_(store),
      listName_(std::move(listName)),
      combo_(combo),
      windowActive_(windowActive),
      newestSelected_(std::move(newestSelected))
{
}

void RecentCombo::reload()
{
    const QStringList entries = LoadMRU(store_, listName_);
    if (!entries.first().isEmpty()) {
        const QString text = combo_->currentText();
        combo_->clear();
        combo_->addItems(entries);
        combo_->setCurrentIndex(-1);
        combo_->setEditText(text);
    }
    fitDropDown(entries);
    if (!windowActive_ || combo_->count() == 0)
        return;
    combo_->setCurrentIndex(0);
    if (newestSelected_)
        newestSelected_();
}

void RecentCombo::add(const QString& value)
{
    AddToMRU(store_, listName_, value);
    reload();
}

// The longest entry in characters is measured, as the first of equally long ones.
void RecentCombo::fitDropDown(const QStringList& entries)
{
    QString longest;
    for (const QString& entry : entries) {
        if (entry.size() > longest.size())
            longest = entry;
    }
    const int longestWidth = combo_->fontMetrics().horizontalAdvance(longest);
    if (combo_->width() < longestWidth)
        SetComboDropWidth(combo_, longestWidth + dropWidthMargin);
}

}  // namespace quillon
