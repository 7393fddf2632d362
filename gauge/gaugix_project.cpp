#include "gaugix_project.h"

#include "gauge/gaugix_identity.h"
#include "toolbox_picture.h"
#include <gaugix/v_meter.h>

namespace gaugix {

namespace {

platform::Status putValue(QWidget* control, double valore)
{
    return static_cast<v_meter*>(control)->setValue(valore) ? platform::kOk : platform::kInvalidArg;
}

platform::Status getValue(const QWidget* control, double* result)
{
    *result = static_cast<const v_meter*>(control)->value();
    return platform::kOk;
}

QWidget* createGauge()
{
    return new v_meter;
}

constexpr platform::PropertyEntry kProperties[] = {
    {"value", kValueDispId, &putValue, &getValue},
};

constexpr platform::InterfaceEntry kDefaultInterface{
    "_v_meter", kInterfaceId, platform::kDispatchInterfaceId,
    platform::kInterfaceDual | platform::kInterfaceHidden | platform::kInterfaceNonExtensible
        | platform::kInterfaceAutomation,
    kProperties, std::size(kProperties)};

constexpr platform::InterfaceEntry kEventInterface{
    "__v_meter", kEventInterfaceId, platform::kDispatchInterfaceId,
    platform::kInterfaceDispatchOnly | platform::kInterfaceHidden | platform::kInterfaceNonExtensible,
    nullptr, 0};

constexpr std::uint32_t kMiscStatus = platform::kRecomposeOnResize | platform::kCantLinkInside
    | platform::kInsideOut | platform::kActivateWhenVisible | platform::kSimpleFrame
    | platform::kSetClientSiteFirst;
static_assert(kMiscStatus == 197009);

constexpr platform::VersionEntry kVersionEntries[] = {
    {"Comments", "Strumento analogico e digitale per tensioni da 0 a 5 volt"},
    {"FileVersion", "1.00"},
    {"InternalName", "gaugix"},
    {"OriginalFilename", "libgaugix.so.1"},
    {"ProductName", "gaugix"},
    {"ProductVersion", "1.00"},
    {"OLESelfRegister", ""},
};

} // namespace

const platform::ProjectDescriptor kProject{
    {"gaugix", "gaugix", kLibraryId, 1, 0, 0x0409, true},
    {"v_meter", kProgId, kClassId, true, "Apartment", kMiscStatus,
     {30000, 16, 15, 16, kToolboxPicture}, &kDefaultInterface, &kEventInterface, &createGauge},
    {{1, 0, 0, 0}, {1, 0, 0, 0}, 0x0409, 1200, kVersionEntries, std::size(kVersionEntries)},
};

} // namespace gaugix
