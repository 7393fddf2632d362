// pelmora: the control panel of the serial I/O card.
#include "form1.h"
#include "termination_signals.h"

#include <QApplication>
#include <cstdio>

namespace {

bool display_available()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char** argv)
{
    if (!display_available()) {
        std::fprintf(stderr, "pelmora: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY "
                             "is set). Start it from a desktop session, or under xvfb-run.\n");
        return 2;
    }
    const bool held = panel::hold_termination_signals();
    QApplication app(argc, argv);
    panel::Form1 window;
    bool ended = false;  // by a signal, perhaps while a message box held start-up
    if (held)
        panel::on_termination_signal(&window, [&window, &ended] {
            ended = true;
            window.esci_Click();
        });
    for (const QString& problem : window.problems())
        std::fprintf(stderr, "pelmora: %s\n", qPrintable(problem));
    window.Form_Load();
    if (ended)
        return 0;
    window.show();
    return app.exec();
}
