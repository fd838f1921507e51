#pragma once

#include <QAbstractButton>
#include <QAnyStringView>
#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

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
    static ModalScript on(Act act)
    {
        ModalScript script;
        QTimer* timer = script.timer_.get();
        QObject::connect(timer, &QTimer::timeout, [act, timer, shown = script.shown_] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                timer->start(retryMilliseconds);
                return;
            }
            *shown = true;
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
        timer->setSingleShot(true);
        timer->start(0);
        return script;
    }

    ModalScript(ModalScript&&) = default;
    ~ModalScript()
    {
        if (timer_ && !*shown_)
            ADD_FAILURE() << "the expected dialog was never shown";
    }

private:
    // Events may be processed before the dialog opens; the script waits for it.
    static constexpr int retryMilliseconds = 10;

    ModalScript() = default;

    std::unique_ptr<QTimer> timer_ = std::make_unique<QTimer>();
    std::shared_ptr<bool> shown_ = std::make_shared<bool>(false);
};

template <class Dialog = QDialog, class Act>
ModalScript onModal(Act act)
{
    return ModalScript::on<Dialog>(std::move(act));
}

}  // namespace quillon::testing
