// The About window of the control and its hyperlink label.
#pragma once

#include "zipctl/bundlexglobal.h"

#include <QDialog>
#include <QLabel>

class QPushButton;

// A label that works as a link: highlight colour and underlined while the
// mouse is over it, button-text colour otherwise; a click opens its tag (a
// web address) with the desktop's default handler, ignoring the result.
class BUNDLET_WIDGET_EXPORT HyperlinkLabel : public QLabel
{
    Q_OBJECT

public:
    explicit HyperlinkLabel(const QString &text, const QString &tag, QWidget *parent = nullptr);

    QString tag() const { return m_tag; }
    bool isHot() const { return m_hot; }

signals:
    // Emitted before the address is handed to the desktop.
    void activated(const QString &tag);

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void setHot(bool hot);

    QString m_tag;
    bool m_hot = false;
};

class BUNDLET_WIDGET_EXPORT BundlexAboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit BundlexAboutDialog(QWidget *parent = nullptr);

    HyperlinkLabel *link() const { return m_link; }
    QPushButton *okButton() const { return m_ok; }

    // Whether activating the link opens it (tests turn this off).
    void setOpensLinks(bool open) { m_opensLinks = open; }

private:
    HyperlinkLabel *m_link;
    QPushButton *m_ok;
    bool m_opensLinks = true;
};
