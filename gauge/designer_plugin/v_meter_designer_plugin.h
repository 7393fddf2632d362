#pragma once
// Puts gaugix::v_meter in Qt Designer's widget box (group "gaugix"), and lets every program
// that loads .ui files with Qt's UI loader create it by its class name.

#include <QObject>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

namespace gaugix {

class v_meterDesignerPlugin : public QObject, public QDesignerCustomWidgetInterface {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetInterface")
    Q_INTERFACES(QDesignerCustomWidgetInterface)

public:
    explicit v_meterDesignerPlugin(QObject* parent = nullptr);

    QString name() const override;
    QString group() const override;
    QString toolTip() const override;
    QString whatsThis() const override;
    QString includeFile() const override;
    QIcon icon() const override;
    bool isContainer() const override;
    QWidget* createWidget(QWidget* parent) override;
    bool isInitialized() const override;
    void initialize(QDesignerFormEditorInterface* core) override;
    QString domXml() const override;

private:
    bool initialized_ = false;
};

} // namespace gaugix
