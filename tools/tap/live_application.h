#pragma once
// The Qt application of the live chart's process (pelmora-tap --live). Without a display
// Qt would abort with a core dump; instead the chart says what the tap needs and exits
// with status 2, before the tap has opened anything. The window closing does not end it
// by itself: the chart decides.

#include <QApplication>

#include <memory>

std::unique_ptr<QApplication> makeLiveApplication(int& argc, char** argv);
