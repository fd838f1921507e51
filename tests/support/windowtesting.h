#pragma once

#include <QAbstractButton>
#include <QAnyStringView>
#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <type_traits>

namespace quillon::testing {

// The child of `parent` named `name`. A missing child throws, which GoogleTest reports as a
// failure of the test naming the child.
template <class Widget = QWidget>
Widget& child(const QObject& parent, QAnyStringView name)
{
    if (auto* found = parent.findChild<Widget*>(name.toString()))
        return *found;
    throw std::runtime_error("no " + std::string(Widget::staticMetaObject.className()) + " named " +
                             name.toString().toStdString());
}

inline void click(const QObject& parent, QAnyStringView name)
{
    child<QAbstractButton>(parent, name).click();
}

// Acts on the next modal dialog of type Dialog from inside its event loop. Create it before the
// call that opens the dialog and keep it for that call's duration:
//
//     const ModalScript editor = onModal<frmCMPHeader>([](frmCMPHeader& e) { click(e, "cmdSave"); });
//     frmCMPHeader::EditHeader(...);
//
// The test fails when no such dialog was shown by the time the script goes out of scope, or when
// `act` left it open (it is then rejected, so that the test goes on).
class [[nodiscard]] ModalScript {
public:
    template <class Dialog, class Act>
    ModalScript(std::type_identity<Dialog>, Act act)
    {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this, act] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            if (!dialog)  // events may be processed before the dialog opens: wait for it
                return timer_.start(10);
            shown_ = true;
            try {
                act(*dialog);
            } catch (const std::exception& error) {
                ADD_FAILURE() << error.what();
            }
            if (dialog->isVisible()) {
                ADD_FAILURE() << Dialog::staticMetaObject.className() << " is still open";
                dialog->reject();
            }
        });
        timer_.start(0);
    }
    ModalScript(const ModalScript&) = delete;
    ~ModalScript() { EXPECT_TRUE(shown_) << "the expected dialog was never shown"; }

private:
    QTimer timer_;
    bool shown_ = false;
};

template <class Dialog = QDialog, class Act>
ModalScript onModal(Act act)
{
    return ModalScript(std::type_identity<Dialog>{}, std::move(act));
}

}  // namespace quillon::testing
