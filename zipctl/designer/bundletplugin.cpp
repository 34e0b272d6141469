#include "zipctl/designer/bundletplugin.h"

#include "zipctl/bundlet.h"

#include <QIcon>

using namespace Qt::StringLiterals;

BundletPlugin::BundletPlugin(QObject *parent) : QObject(parent) {}

QString BundletPlugin::name() const
{
    return u"Bundlet"_s;
}

QString BundletPlugin::group() const
{
    return u"Bundlex"_s;
}

QString BundletPlugin::toolTip() const
{
    return u"Zip archive control"_s;
}

QString BundletPlugin::whatsThis() const
{
    return u"Lists, adds, extracts and deletes the entries of a zip archive."_s;
}

QString BundletPlugin::includeFile() const
{
    return u"bundlet.h"_s;
}

QIcon BundletPlugin::icon() const
{
    return QIcon();
}

bool BundletPlugin::isContainer() const
{
    return false;
}

QWidget *BundletPlugin::createWidget(QWidget *parent)
{
    // The form's saved properties follow at once: "Filename" is restored
    // without reading the archive.
    auto *bundlet = new Bundlet(parent);
    bundlet->beginPropertyLoad();
    // Qt Designer hands over its core; QUiLoader, loading a form to run it,
    // does not.
    bundlet->setDesignMode(m_core != nullptr);
    return bundlet;
}

bool BundletPlugin::isInitialized() const
{
    return m_initialized;
}

void BundletPlugin::initialize(QDesignerFormEditorInterface *core)
{
    m_core = core;
    m_initialized = true;
}

QString BundletPlugin::domXml() const
{
    return u"<ui language=\"c++\"><widget class=\"Bundlet\" name=\"bundlet\"/></ui>"_s;
}
