#pragma once

#include "component_interfaces.h"
#include "library_state.h"
#include "project_descriptor.h"

#include <QPointer>
#include <QWidget>

namespace platform {

// One live instance of a library's control class: owns the widget, answers dispatch calls
// from the class's property table, and counts itself among the library's objects.
class ControlInstance final : public Dispatch, public Control {
public:
    ControlInstance(LibraryState& state, const ClassEntry& entry);
    ControlInstance(const ControlInstance&) = delete;
    ControlInstance& operator=(const ControlInstance&) = delete;

    Status queryInterface(const Guid& interfaceId, void** result) override;
    std::uint32_t addRef() override;
    std::uint32_t release() override;

    Status idOfName(const QString& name, DispId* dispId) const override;
    Status putProperty(DispId dispId, double value) override;
    Status getProperty(DispId dispId, double* result) const override;

    QWidget* widget() const override;
    Status attach(QWidget* container) override;

private:
    ~ControlInstance();
    const PropertyEntry* property(DispId dispId) const;

    LibraryState& state;
    const ClassEntry& entry;
    QPointer<QWidget> control;
    std::uint32_t references = 1;
};

} // namespace platform
