#pragma once

#include "component_interfaces.h"
#include "library_state.h"
#include "project_descriptor.h"

namespace platform {

// Factory for a library's control class. It counts among the library's objects while it
// lives, and its server locks keep the library loaded.
class ClassFactoryObject final : public ClassFactory {
public:
    ClassFactoryObject(LibraryState& state, const ClassEntry& entry);
    ClassFactoryObject(const ClassFactoryObject&) = delete;
    ClassFactoryObject& operator=(const ClassFactoryObject&) = delete;

    Status queryInterface(const Guid& interfaceId, void** result) override;
    std::uint32_t addRef() override;
    std::uint32_t release() override;
    Status createInstance(Unknown* outer, const Guid& interfaceId, void** result) override;
    Status lockServer(bool lock) override;

private:
    ~ClassFactoryObject();

    LibraryState& state;
    const ClassEntry& entry;
    std::uint32_t references = 1;
};

} // namespace platform
