#include "control_instance.h"

#include <QString>

namespace platform {

ControlInstance::ControlInstance(LibraryState& state, const ClassEntry& entry)
    : state(state)
    , entry(entry)
    , control(entry.create())
{
    ++state.objects;
}

ControlInstance::~ControlInstance()
{
    // Deleted at once, not later: the widget's code lives in a library that may be unloaded next.
    delete control.data();
    --state.objects;
}

Status ControlInstance::queryInterface(const Guid& interfaceId, void** result)
{
    if (!result)
        return kPointer;
    *result = nullptr;
    if (interfaceId == kUnknownInterfaceId || interfaceId == kDispatchInterfaceId
        || interfaceId == entry.defaultInterface->id)
        *result = static_cast<Dispatch*>(this);
    else if (interfaceId == kControlInterfaceId)
        *result = static_cast<Control*>(this);
    else
        return kNoInterface;
    addRef();
    return kOk;
}

std::uint32_t ControlInstance::addRef()
{
    return ++references;
}

std::uint32_t ControlInstance::release()
{
    const std::uint32_t left = --references;
    if (left == 0)
        delete this;
    return left;
}

Status ControlInstance::idOfName(const QString& name, DispId* dispId) const
{
    if (!dispId)
        return kPointer;
    const InterfaceEntry& face = *entry.defaultInterface;
    for (std::size_t i = 0; i < face.propertyCount; ++i) {
        // Dispatch names are matched without regard to case.
        if (name.compare(QLatin1String(face.properties[i].name), Qt::CaseInsensitive) == 0) {
            *dispId = face.properties[i].id;
            return kOk;
        }
    }
    return kUnknownName;
}

const PropertyEntry* ControlInstance::property(DispId dispId) const
{
    const InterfaceEntry& face = *entry.defaultInterface;
    for (std::size_t i = 0; i < face.propertyCount; ++i)
        if (face.properties[i].id == dispId)
            return &face.properties[i];
    return nullptr;
}

Status ControlInstance::putProperty(DispId dispId, double value)
{
    const PropertyEntry* found = property(dispId);
    if (!found || !found->put)
        return kMemberNotFound;
    if (!control)
        return kFail;
    return found->put(control, value);
}

Status ControlInstance::getProperty(DispId dispId, double* result) const
{
    if (!result)
        return kPointer;
    const PropertyEntry* found = property(dispId);
    if (!found || !found->get)
        return kMemberNotFound;
    if (!control)
        return kFail;
    return found->get(control, result);
}

QWidget* ControlInstance::widget() const
{
    return control;
}

Status ControlInstance::attach(QWidget* container)
{
    if (!control)
        return kFail;
    control->setParent(container);
    if (container && container->isVisible())
        control->show();
    return kOk;
}

} // namespace platform
