#pragma once
// The Qt application of pelmora-tap --live. Made after the stop signals are blocked, so
// that the threads Qt starts never take one. Without a display Qt would abort with a
// core dump; instead the tap says what it needs and exits with status 2, before it has
// opened anything. The windows closing never ends it: the forwarding does.

#include <QApplication>

#include <memory>

std::unique_ptr<QApplication> makeLiveApplication(int& argc, char** argv);
