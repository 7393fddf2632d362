#pragma once

#include "guid.h"
#include "status.h"

#include <cstdint>

class QString;
class QWidget;

namespace platform {

using DispId = std::int32_t;

// Well-known interface identifiers.
inline constexpr Guid kUnknownInterfaceId{0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
inline constexpr Guid kClassFactoryInterfaceId{0x00000001, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
inline constexpr Guid kDispatchInterfaceId{0x00020400, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// Our own: how a host reaches a control's widget.
inline constexpr Guid kControlInterfaceId{0x8c004686, 0x820a, 0x4ed7, 0xb3, 0xa6, 0x4a, 0x5e, 0xaa, 0xe1, 0xeb, 0xe9};

// Base of every component interface: reference counting and asking for another interface.
// Objects delete themselves on their last release, so the destructor is not for callers.
class Unknown {
public:
    virtual Status queryInterface(const Guid& interfaceId, void** result) = 0;
    virtual std::uint32_t addRef() = 0;
    virtual std::uint32_t release() = 0;

protected:
    ~Unknown() = default;
};

// Late-bound access to an object's properties by dispatch identifier.
class Dispatch : public Unknown {
public:
    virtual Status idOfName(const QString& name, DispId* dispId) const = 0;
    virtual Status putProperty(DispId dispId, double value) = 0;
    virtual Status getProperty(DispId dispId, double* result) const = 0;

protected:
    ~Dispatch() = default;
};

// A visual control: its widget, and placing that widget in a host container.
class Control : public Unknown {
public:
    virtual QWidget* widget() const = 0;
    virtual Status attach(QWidget* container) = 0;

protected:
    ~Control() = default;
};

// Makes new instances of one class.
class ClassFactory : public Unknown {
public:
    virtual Status createInstance(Unknown* outer, const Guid& interfaceId, void** result) = 0;
    virtual Status lockServer(bool lock) = 0;

protected:
    ~ClassFactory() = default;
};

} // namespace platform
