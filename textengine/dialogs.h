#pragma once

#include <QDialog>
#include <QTextDocument>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kalamora::textengine {

class TextControl;

// The control's own find (and replace) dialog. Find Next searches from the
// end of the selection; at the end of the document it says so and goes on
// from the beginning. Replace replaces the selection when it is a match and
// finds the next one; Replace All replaces every match from the beginning
// as one undo step and reports how many. Messages go through showMessage.
class FindReplaceDialog : public QDialog {
    Q_OBJECT
public:
    FindReplaceDialog(TextControl *control, bool replacing);

    QLineEdit *findEdit() const { return m_find; }
    QLineEdit *replaceEdit() const { return m_replace; }
    QCheckBox *matchCaseBox() const { return m_case; }
    QCheckBox *wholeWordBox() const { return m_word; }

    // Each returns whether a match was found (findNext), replaced (replace)
    // or how many were replaced (replaceAll).
    bool findNext();
    bool replace();
    int replaceAll();

private:
    QTextDocument::FindFlags flags() const;
    bool selectionMatches() const;

    TextControl *m_control;
    QLineEdit *m_find;
    QLineEdit *m_replace;
    QCheckBox *m_case;
    QCheckBox *m_word;
};

} // namespace kalamora::textengine
