#pragma once

#include <QWidget>

class QLineEdit;
class QListWidget;
class QTextBrowser;

namespace kalamora {

// The help pages (HTML in the program folder's "help" folder) in a browser
// window, with a search box that lists the pages containing the words typed.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget *parent = nullptr);

    // True when the help pages are installed.
    static bool available();
    static QString helpFolder();

    // Shows a page by file name ("typing.html"), the contents page for an
    // empty name, or the search box for "search".
    void showPage(const QString &page);

    // The pages whose text contains every word of `query`, as file names.
    static QStringList search(const QString &query);

private:
    void runSearch();

    QLineEdit *m_query;
    QListWidget *m_results;
    QTextBrowser *m_browser;
};

} // namespace kalamora
