// GoogleTest entry point with a QApplication, so tests can run event loops and widgets.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// A modal box that no test answers (a port refused where a test expected none)
// would hold the test until CTest's time-out; after 5 s it is answered, and the
// test fails with what the box said.
void answerForgottenBoxes(QTimer& timer)
{
    static QPointer<QMessageBox> seen;
    static QElapsedTimer openFor;
    QObject::connect(&timer, &QTimer::timeout, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != seen) {
            seen = box;
            openFor.start();
        } else if (box && openFor.elapsed() > 5000) {
            ADD_FAILURE() << "a message box was left open: " << box->windowTitle().toStdString() << ": "
                          << box->text().toStdString() << " " << box->informativeText().toStdString();
            if (QAbstractButton* ok = box->button(QMessageBox::Ok))
                ok->click();
            else
                box->reject();
        }
    });
    timer.start(250);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTimer boxWatch;
    answerForgottenBoxes(boxWatch);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
