#include "app/frmabout.h"

#include "app/icons.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace kalamora {

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"frmAbout"_s);
    setWindowTitle(u"About Kalamora"_s);
    auto *icon = new QLabel(this);
    icon->setPixmap(kalamora::applicationIcon().pixmap(64, 64));
    auto *credits = new QLabel(this);
    credits->setObjectName(u"lblCredits"_s);
    credits->setTextFormat(Qt::RichText);
    credits->setText(u"<h3>Kalamora %1</h3>"
                     u"<p>A word processor for writing Hindi on an ordinary Roman keyboard:<br>"
                     u"type Hindi as it sounds, or on the Remington typewriter layout.</p>"
                     u"<p>Written by the Kalamora developers.<br>"
                     u"The font Glyphora 010 is made from a free Devanagari font "
                     u"under the SIL Open Font License.</p>"_s.arg(QLatin1StringView(KALAMORA_VERSION)));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(credits, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
}

} // namespace kalamora
