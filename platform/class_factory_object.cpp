#include "class_factory_object.h"

#include "control_instance.h"

namespace platform {

ClassFactoryObject::ClassFactoryObject(LibraryState& state, const ClassEntry& entry)
    : state(state)
    , entry(entry)
{
    ++state.objects;
}

ClassFactoryObject::~ClassFactoryObject()
{
    --state.objects;
}

Status ClassFactoryObject::queryInterface(const Guid& interfaceId, void** result)
{
    if (!result)
        return kPointer;
    *result = nullptr;
    if (interfaceId != kUnknownInterfaceId && interfaceId != kClassFactoryInterfaceId)
        return kNoInterface;
    *result = static_cast<ClassFactory*>(this);
    addRef();
    return kOk;
}

std::uint32_t ClassFactoryObject::addRef()
{
    return ++references;
}

std::uint32_t ClassFactoryObject::release()
{
    const std::uint32_t left = --references;
    if (left == 0)
        delete this;
    return left;
}

Status ClassFactoryObject::createInstance(Unknown* outer, const Guid& interfaceId, void** result)
{
    if (!result)
        return kPointer;
    *result = nullptr;
    if (outer)
        return kNoAggregation;
    auto* instance = new ControlInstance(state, entry);
    if (!instance->widget()) {
        instance->release();
        return kFail;
    }
    const Status status = instance->queryInterface(interfaceId, result);
    instance->release();
    return status;
}

Status ClassFactoryObject::lockServer(bool lock)
{
    if (lock)
        ++state.locks;
    else if (state.locks > 0)
        --state.locks;
    return kOk;
}

} // namespace platform
