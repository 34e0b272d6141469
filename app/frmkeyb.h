#pragma once

#include <QWidget>

#include <string>
#include <string_view>

namespace kalamora {

// The keyboard chart of the Romanised layout: every key of the keyboard with
// the Hindi it types, unshifted and shifted, drawn in the program's font.
// Escape closes it.
class frmKeyb : public QWidget {
    Q_OBJECT
public:
    explicit frmKeyb(QWidget *parent = nullptr);

    // The glyphs one key types at the start of a word, as the phonetic
    // layout writes them (a consonant without its halant).
    static std::string glyphsForKey(char key);
    // The same for a short sequence of keys.
    static std::string glyphsForKeys(std::string_view keys);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace kalamora
