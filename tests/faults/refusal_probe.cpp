// Starts the window as whoever runs it, answers its message boxes, and prints
// what it saw for the test that started it: one "box\t<detail>" line a box, then
// "port\t<number>\t<open>" after the given milliseconds of polling.
#include "panel/form1.h"
#include "panel_test_support.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int ms = argc > 1 ? QByteArray(argv[1]).toInt() : 500;
    MessageBoxAnswerer answerer;
    panel::Form1 form;
    form.Form_Load();
    runEventsFor(ms);
    for (const QString& detail : answerer.details)
        std::printf("box\t%s\n", qPrintable(detail));
    std::printf("port\t%d\t%d\n", form.MSComm1().portNumber(), form.MSComm1().portOpen() ? 1 : 0);
    return 0;
}
