#pragma once

#include "component_interfaces.h"
#include "status.h"

#include <QString>

#include <cstdint>
#include <memory>

class QWidget;

namespace platform {

class LoadedLibrary;

// A control a host has created: owns one instance and keeps its library loaded.
class HostedControl {
public:
    // Takes over one reference on each interface.
    HostedControl(std::shared_ptr<LoadedLibrary> library, Dispatch* dispatch, Control* control);
    HostedControl(const HostedControl&) = delete;
    HostedControl& operator=(const HostedControl&) = delete;
    // Releases the instance; the library is unloaded when it allows it.
    ~HostedControl();

    // The control's widget, already parented to the container given at creation.
    QWidget* widget() const;
    Status putProperty(std::int32_t dispId, double value);
    Status getProperty(std::int32_t dispId, double* result) const;
    Status idOfName(const QString& name, std::int32_t* dispId) const;
    Status putPropertyByName(const QString& name, double value);
    // Absolute path of the library the control came from.
    QString libraryPath() const;

private:
    std::shared_ptr<LoadedLibrary> library;
    Dispatch* dispatch;
    Control* control;
};

// Creates a control by programmatic name, found through the registry or installed beside the
// program, with parent as its container. nullptr and a message in *error when it cannot.
std::unique_ptr<HostedControl> createControl(const QString& progId, QWidget* parent, QString* error = nullptr);

} // namespace platform
