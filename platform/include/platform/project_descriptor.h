#pragma once

#include "component_interfaces.h"

#include <cstddef>
#include <cstdint>

class QWidget;

namespace platform {

// One property of a control class, bound to the code that reads and writes it.
struct PropertyEntry {
    const char* name;
    DispId id;
    Status (*put)(QWidget* control, double value);        // null when read-only
    Status (*get)(const QWidget* control, double* result); // null when write-only
};

enum InterfaceFlag : std::uint32_t {
    kInterfaceDual = 0x1,           // callable through dispatch and directly
    kInterfaceDispatchOnly = 0x2,
    kInterfaceHidden = 0x4,
    kInterfaceNonExtensible = 0x8,
    kInterfaceAutomation = 0x10,
};

struct InterfaceEntry {
    const char* name;
    Guid id;
    Guid baseId;
    std::uint32_t flags;
    const PropertyEntry* properties;
    std::size_t propertyCount;
};

struct TypeLibraryEntry {
    const char* name;
    const char* helpString;
    Guid id;
    std::uint16_t majorVersion;
    std::uint16_t minorVersion;
    std::uint32_t locale;
    bool describesControls;
};

// Container status flags a control class announces.
enum MiscStatus : std::uint32_t {
    kRecomposeOnResize = 0x1,
    kCantLinkInside = 0x10,
    kInsideOut = 0x80,
    kActivateWhenVisible = 0x100,
    kSimpleFrame = 0x10000,
    kSetClientSiteFirst = 0x20000,
};

struct PictureEntry {
    int resourceId;
    int width;
    int height;
    int colours;
    const char* const* xpm;
};

struct ClassEntry {
    const char* name;
    const char* progId;
    Guid id;
    bool isControl;
    const char* threadingModel;
    std::uint32_t miscStatus;
    PictureEntry toolboxPicture;
    const InterfaceEntry* defaultInterface;
    const InterfaceEntry* eventInterface;
    QWidget* (*create)(); // builds a new instance with its initialisation already run
};

struct VersionEntry {
    const char* key;
    const char* value;
};

struct VersionBlock {
    std::uint16_t fileVersion[4];
    std::uint16_t productVersion[4];
    std::uint16_t language;
    std::uint16_t codePage;
    const VersionEntry* entries;
    std::size_t entryCount;
};

// Everything a library tells the component services about itself: its type library,
// its one class and the version block.
struct ProjectDescriptor {
    TypeLibraryEntry typeLibrary;
    ClassEntry control;
    VersionBlock version;
};

} // namespace platform
