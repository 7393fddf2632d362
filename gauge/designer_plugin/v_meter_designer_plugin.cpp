#include "v_meter_designer_plugin.h"

#include "toolbox_picture.h"

#include <gaugix/v_meter.h>

#include <QIcon>
#include <QPixmap>

namespace gaugix {

v_meterDesignerPlugin::v_meterDesignerPlugin(QObject* parent)
    : QObject(parent)
{
}

QString v_meterDesignerPlugin::name() const
{
    return QStringLiteral("gaugix::v_meter");
}

QString v_meterDesignerPlugin::group() const
{
    return QStringLiteral("gaugix");
}

QString v_meterDesignerPlugin::toolTip() const
{
    return QStringLiteral("Needle gauge for 0 to 5 V");
}

QString v_meterDesignerPlugin::whatsThis() const
{
    return QStringLiteral("A needle gauge for one voltage from 0 to 5 V, with a two-decimal readout. "
                          "Write its value property, in volts, at run time to turn the needle and "
                          "rewrite the readout; reading it yields 0.0.");
}

QString v_meterDesignerPlugin::includeFile() const
{
    return QStringLiteral("gaugix/v_meter.h");
}

QIcon v_meterDesignerPlugin::icon() const
{
    return QIcon(QPixmap(kToolboxPicture));
}

bool v_meterDesignerPlugin::isContainer() const
{
    return false;
}

QWidget* v_meterDesignerPlugin::createWidget(QWidget* parent)
{
    return new v_meter(parent);
}

bool v_meterDesignerPlugin::isInitialized() const
{
    return initialized_;
}

void v_meterDesignerPlugin::initialize(QDesignerFormEditorInterface*)
{
    initialized_ = true;
}

QString v_meterDesignerPlugin::domXml() const
{
    // Dropped at the face's own size; the object name Designer numbers from "v_meter".
    return QStringLiteral(R"(<ui language="c++">
 <widget class="gaugix::v_meter" name="v_meter">
  <property name="geometry">
   <rect><x>0</x><y>0</y><width>162</width><height>146</height></rect>
  </property>
 </widget>
</ui>
)");
}

} // namespace gaugix
