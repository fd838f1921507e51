#include "menucaption.h"

namespace quillon {

namespace {

constexpr QStringView tipMark = u"|@";
constexpr QStringView pictureMark = u"|#";

}  // namespace

MenuCaption ParseMenuCaption(const QString& caption)
{
    MenuCaption result;
    QString rest = caption;
    if (const qsizetype picture = rest.indexOf(pictureMark); picture >= 0) {
        result.pictureKey = rest.mid(picture + pictureMark.size());
        rest.truncate(picture);
    }
    if (const qsizetype tip = rest.indexOf(tipMark); tip >= 0) {
        result.tip = rest.mid(tip + tipMark.size());
        rest.truncate(tip);
    }
    result.text = rest;
    return result;
}

}  // namespace quillon
