#include "controls/hindirtf/designer/hindirtfplugin.h"

#include "controls/hindirtf/hindirtf.h"

#include <QDesignerFormEditorInterface>
#include <QDesignerFormWindowInterface>
#include <QDesignerPropertySheetExtension>
#include <QExtensionManager>
#include <QIcon>

using namespace Qt::StringLiterals;
using namespace kalamora;

HindiRTFPlugin::HindiRTFPlugin(QObject *parent) : QObject(parent) {}

QString HindiRTFPlugin::name() const
{
    return u"HindiRTF"_s;
}

QString HindiRTFPlugin::group() const
{
    return u"Kalamora"_s;
}

QString HindiRTFPlugin::toolTip() const
{
    return u"Hindi rich-text box"_s;
}

QString HindiRTFPlugin::whatsThis() const
{
    return u"A rich-text box that types Hindi in the Kruti Dev encoding, phonetically or on the Remington layout."_s;
}

QString HindiRTFPlugin::includeFile() const
{
    return u"hindirtf.h"_s;
}

QIcon HindiRTFPlugin::icon() const
{
    return QIcon();
}

bool HindiRTFPlugin::isContainer() const
{
    return false;
}

QWidget *HindiRTFPlugin::createWidget(QWidget *parent)
{
    // The form's saved properties follow as single writes; the control
    // applies them in its own order.
    auto *control = new HindiRTF(parent);
    control->beginPropertyLoad();
    if (!m_core)
        return control;
    // In Qt Designer a change the control makes itself marks the property
    // changed, so that the form saves it, and the form as modified.
    QDesignerFormEditorInterface *core = m_core;
    QObject::connect(control, &HindiRTF::PropertyChanged, control, [core, control](const QString &name) {
        QDesignerFormWindowInterface *form = QDesignerFormWindowInterface::findFormWindow(control);
        if (!form)
            return;
        if (auto *sheet = qt_extension<QDesignerPropertySheetExtension *>(core->extensionManager(), control)) {
            const int index = sheet->indexOf(name);
            if (index >= 0)
                sheet->setChanged(index, true);
        }
        form->setDirty(true);
    });
    return control;
}

bool HindiRTFPlugin::isInitialized() const
{
    return m_initialized;
}

void HindiRTFPlugin::initialize(QDesignerFormEditorInterface *core)
{
    m_core = core;
    m_initialized = true;
}

QString HindiRTFPlugin::domXml() const
{
    return u"<ui language=\"c++\"><widget class=\"HindiRTF\" name=\"hindiRTF\">"
           "<property name=\"geometry\"><rect><x>0</x><y>0</y><width>240</width><height>120</height></rect>"
           "</property></widget></ui>"_s;
}
