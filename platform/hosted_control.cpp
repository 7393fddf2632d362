#include "control_host.h"

#include "loaded_library.h"

namespace platform {

HostedControl::HostedControl(std::shared_ptr<LoadedLibrary> library, Dispatch* dispatch, Control* control)
    : library(std::move(library))
    , dispatch(dispatch)
    , control(control)
{
}

HostedControl::~HostedControl()
{
    // Interfaces first: the library may only go once its last object has.
    control->release();
    dispatch->release();
    library.reset();
}

QWidget* HostedControl::widget() const
{
    return control->widget();
}

Status HostedControl::putProperty(std::int32_t dispId, double value)
{
    return dispatch->putProperty(dispId, value);
}

Status HostedControl::getProperty(std::int32_t dispId, double* result) const
{
    return dispatch->getProperty(dispId, result);
}

Status HostedControl::idOfName(const QString& name, std::int32_t* dispId) const
{
    return dispatch->idOfName(name, dispId);
}

Status HostedControl::putPropertyByName(const QString& name, double value)
{
    DispId dispId = 0;
    const Status found = dispatch->idOfName(name, &dispId);
    return succeeded(found) ? dispatch->putProperty(dispId, value) : found;
}

QString HostedControl::libraryPath() const
{
    return library->path();
}

} // namespace platform
