#pragma once

#include "document/pagesetup.h"
#include "document/sheets.h"

#include <QMarginsF>
#include <QString>
#include <QTextEdit>

#include <optional>

class QPaintDevice;
class QPainter;
class QPointF;
class QTextCursor;
class QTextBlockFormat;
class QTextCharFormat;

namespace kalamora::document {
struct LoadHooks;
} // namespace kalamora::document

namespace kalamora::textengine {

// A font family as a document names it: without the foundry that the font
// database adds to a family more than one foundry ships ("C059 [UKWN]" is
// "C059"). The plain name finds the family all the same.
QString plainFamily(const QString &name);

// The character format of a selection as the format controls show it: a
// format that is not the same over the whole selection reads false, "" or 0.
struct CharFormatSummary {
    QString fontName;
    int fontSize = 0;
    bool bold = false, italic = false, underline = false, strikeThru = false;
};

// The document's text-engine control: a rich-text widget over QTextDocument
// that offers the word-processing component's members by their own names
// (SelStart, FontBold, Load, ...), both as C++ accessors and as Qt properties
// so that callers can reach them by name at run time.
//
// Positions count characters of the document from 0. A paragraph break is
// one position and reads as a line feed in Text(); the start and end of a
// table cell are one position each and read as a line feed too, so Text()
// and SelStart always agree.
//
// Lengths are in twips (1440 per inch). Colours are RGB numbers in the
// Windows layout 0x00BBGGRR; a number with the top bit set names a system
// colour (0x80000005 window, 0x80000008 window text, 0x80000012 button text).
//
// Events (signals, all emitted synchronously on the GUI thread):
// - KeyDown(keyCode, shift) / KeyUp(keyCode, shift): Windows virtual key
//   codes (65 for A, 37..40 for the arrows, 13 Enter) and the shift state
//   (1 Shift, 2 Ctrl, 4 Alt), before the control acts on the key.
// - KeyPress(key): the character code of a typed key (13 Enter, 10 Ctrl+Enter,
//   8 Backspace, 9 Tab, 27 Esc, 1..26 for Ctrl+letter). Handlers connected directly may
//   change the code or set it to 0 to swallow the key; the control then
//   inserts the code it is left with (a code below 256 as the Windows-1252
//   character of that byte, 13 as a paragraph break, 10 as a page break).
//   Everything a KeyPress handler changes and the insertion form one undo
//   step.
// - Change(): after every change of the text, including SelText writes and
//   loads, before the changing call returns. Edits made by a Change handler
//   do not raise Change again.
// - PosChange(): the caret or the selection moved. Inside one key press the
//   moves are reported once, after the key. Text a KeyPress handler writes
//   at a caret it moved takes the format the caret had before the move
//   (the typed text's), not that of the character before the new place.
// - MouseDown / MouseUp(button, shift, x, y): button 1 left, 2 right,
//   4 middle; x and y in twips from the control's top left corner.
class TextControl : public QTextEdit {
    Q_OBJECT

    Q_PROPERTY(int SelStart READ SelStart WRITE setSelStart)
    Q_PROPERTY(int SelLength READ SelLength WRITE setSelLength)
    Q_PROPERTY(QString SelText READ SelText WRITE setSelText)
    Q_PROPERTY(QString Text READ Text WRITE setText)

    Q_PROPERTY(QString FontName READ FontName WRITE setFontName)
    Q_PROPERTY(int FontSize READ FontSize WRITE setFontSize)
    Q_PROPERTY(bool FontBold READ FontBold WRITE setFontBold)
    Q_PROPERTY(bool FontItalic READ FontItalic WRITE setFontItalic)
    Q_PROPERTY(bool FontUnderline READ FontUnderline WRITE setFontUnderline)
    Q_PROPERTY(bool FontStrikeThru READ FontStrikeThru WRITE setFontStrikeThru)
    Q_PROPERTY(bool SelBullet READ SelBullet WRITE setSelBullet)
    Q_PROPERTY(qint64 ForeColor READ ForeColor WRITE setForeColor)
    Q_PROPERTY(qint64 TextBkColor READ TextBkColor WRITE setTextBkColor)

    Q_PROPERTY(int AlignMent READ AlignMent WRITE setAlignMent)
    Q_PROPERTY(int TabType READ TabType WRITE setTabType)
    Q_PROPERTY(int SelIndent READ SelIndent WRITE setSelIndent)
    Q_PROPERTY(int SelRightIndent READ SelRightIndent WRITE setSelRightIndent)
    Q_PROPERTY(int SelHangingIndent READ SelHangingIndent WRITE setSelHangingIndent)

    Q_PROPERTY(int PageWidth READ PageWidth WRITE setPageWidth)
    Q_PROPERTY(int PageHeight READ PageHeight WRITE setPageHeight)
    Q_PROPERTY(int PageMarginL READ PageMarginL WRITE setPageMarginL)
    Q_PROPERTY(int PageMarginT READ PageMarginT WRITE setPageMarginT)
    Q_PROPERTY(int PageMarginR READ PageMarginR WRITE setPageMarginR)
    Q_PROPERTY(int PageMarginB READ PageMarginB WRITE setPageMarginB)
    Q_PROPERTY(int RightMargin READ RightMargin WRITE setRightMargin)
    Q_PROPERTY(int ViewMode READ ViewMode WRITE setViewMode)
    Q_PROPERTY(int ZoomFactor READ ZoomFactor WRITE setZoomFactor)
    Q_PROPERTY(int Width READ Width)
    Q_PROPERTY(int Height READ Height)
    Q_PROPERTY(int ScrollPosY READ ScrollPosY)

    Q_PROPERTY(int CurrentPages READ CurrentPages)
    Q_PROPERTY(int PrintZoom READ PrintZoom WRITE setPrintZoom)

    Q_PROPERTY(int TableAtInputPos READ TableAtInputPos)
    Q_PROPERTY(bool TableCanInsert READ TableCanInsert)
    Q_PROPERTY(bool TableCanDeleteLines READ TableCanDeleteLines)
    Q_PROPERTY(bool TableGridLines READ TableGridLines WRITE setTableGridLines)

public:
    // File format codes of Load and Save.
    enum Format { FormatText = 1, FormatHtml = 4, FormatRtf = 5 };
    // AlignMent codes.
    enum Alignment { AlignLeft = 0, AlignRight = 1, AlignCenter = 2, AlignJustify = 3 };
    // TabType codes.
    enum TabKind { TabLeft = 1, TabRight = 2, TabCenter = 3, TabDecimal = 4 };

    explicit TextControl(QWidget *parent = nullptr);
    ~TextControl() override;

    // Selection.
    int SelStart() const;
    // Collapses the selection to a caret; clamped to 0 .. length of the text.
    void setSelStart(int pos);
    int SelLength() const;
    // Extends the selection from SelStart, clamped at the end of the text.
    void setSelLength(int length);
    QString SelText() const;
    // Replaces the selection (inserts at the caret when it is empty), leaves
    // the caret after the written text, then raises Change. A line feed or a
    // carriage return (CR LF counts once) writes a paragraph break.
    void setSelText(const QString &text);
    QString Text() const;
    // Replaces the whole text, keeping the format at the start. The text is
    // plain (line feeds break paragraphs); unlike QTextEdit::setText, which
    // this hides, it never reads HTML.
    void setText(const QString &text);

    // The clipboard. copyWithLead puts `lead` followed by the selection on
    // the clipboard, as plain and as rich text, and leaves the document as
    // it is; cutWithLead does the same and then removes the selection, as
    // one undo step. Without a selection both do nothing and return false.
    bool copyWithLead(const QString &lead);
    bool cutWithLead(const QString &lead);

    // Character format of the selection (of the caret when it is empty).
    // A format that is not the same over the whole selection reads false,
    // "" for FontName, 0 for FontSize and -1 for the colours.
    QString FontName() const;
    void setFontName(const QString &name); // stored as plainFamily(name)
    int FontSize() const;  // points
    void setFontSize(int points);
    bool FontBold() const;
    void setFontBold(bool on);
    bool FontItalic() const;
    void setFontItalic(bool on);
    bool FontUnderline() const;
    void setFontUnderline(bool on);
    bool FontStrikeThru() const;
    void setFontStrikeThru(bool on);
    // The six above at once, in one pass over the selection: what the
    // format controls show after every key and every move of the caret.
    CharFormatSummary selectionCharFormat() const;
    bool SelBullet() const;  // every selected paragraph is a bulleted one
    void setSelBullet(bool on);
    qint64 ForeColor() const;
    void setForeColor(qint64 rgb);
    qint64 TextBkColor() const;  // 0xFFFFFF where no background is set
    void setTextBkColor(qint64 rgb);

    // Paragraph format of the selected paragraphs; read from the first one,
    // except AlignMent, which reads -1 when the paragraphs differ.
    int AlignMent() const;
    void setAlignMent(int code);
    // The kind of tab stop the control sets; writing it also changes the
    // kind of the tab stops of the selected paragraphs.
    int TabType() const;
    void setTabType(int kind);
    // SelIndent is where the first line starts, SelHangingIndent how far the
    // following lines stand to the right of it, SelRightIndent the distance
    // from the right margin (twips).
    int SelIndent() const;
    void setSelIndent(int twips);
    int SelRightIndent() const;
    void setSelRightIndent(int twips);
    int SelHangingIndent() const;
    void setSelHangingIndent(int twips);

    // Page setup in twips; kept with the document and exchanged through RTF.
    int PageWidth() const { return m_page.width; }
    void setPageWidth(int twips);
    int PageHeight() const { return m_page.height; }
    void setPageHeight(int twips);
    int PageMarginL() const { return m_page.marginL; }
    void setPageMarginL(int twips);
    int PageMarginT() const { return m_page.marginT; }
    void setPageMarginT(int twips);
    int PageMarginR() const { return m_page.marginR; }
    void setPageMarginR(int twips);
    int PageMarginB() const { return m_page.marginB; }
    void setPageMarginB(int twips);
    int RightMargin() const { return m_rightMargin; }
    void setRightMargin(int twips);

    // Files. Load replaces the document with the file read from byte
    // `offset` on; Save writes the document into the file from byte `offset`
    // on (the bytes before it are kept), never leaving a half-written file.
    // RTFImport and TextImport insert a file at the caret, replacing the
    // selection. Each returns false with errorString() set on failure, and
    // leaves the document as it was.
    Q_INVOKABLE bool Load(const QString &file, qint64 offset, int format);
    Q_INVOKABLE bool Save(const QString &file, qint64 offset, int format);
    Q_INVOKABLE bool RTFExport(const QString &file);
    Q_INVOKABLE bool RTFImport(const QString &file);
    Q_INVOKABLE bool TextImport(const QString &file);
    Q_INVOKABLE void SetFocus();
    QString errorString() const { return m_error; }

    // View. ViewMode 0 is one continuous text wrapped to the window, 1 the
    // page view; ZoomFactor in percent (10..400). Width, Height and
    // ScrollPosY in twips.
    int ViewMode() const { return m_viewMode; }
    void setViewMode(int mode);
    int ZoomFactor() const { return m_zoom; }
    void setZoomFactor(int percent);
    int Width() const;
    int Height() const;
    int ScrollPosY() const;

    // Printing. The document is laid out on pages of PageWidth by
    // PageHeight less the margins; PrintPage(page) (from 1) draws that page
    // at PrintZoom percent of its real size, with its top left corner at the
    // origin: with the print painter when one is set (for several pages of
    // one print job), else on a painter of its own on the print device.
    // Returns false for a page that does not exist or no device.
    int CurrentPages() const;
    // The pages as they print, for the document library's sheet painter
    // (sheets.h); valid until the next change of the text or page setup.
    document::Sheets sheets() const;
    QPaintDevice *PrintDevice() const { return m_printDevice; }
    void setPrintDevice(QPaintDevice *device) { m_printDevice = device; }
    QPainter *printPainter() const { return m_printPainter; }
    void setPrintPainter(QPainter *painter) { m_printPainter = painter; }
    int PrintZoom() const { return m_printZoom; }
    void setPrintZoom(int percent);
    Q_INVOKABLE bool PrintPage(int page);

    // Tables. TableInsert takes rows first; position -1 is the caret,
    // otherwise a character position. TableAtInputPos is 0 when the caret
    // stands in no table, else the number of the table (from 1, in document
    // order). TableDeleteLines removes the rows the selection touches.
    Q_INVOKABLE bool TableInsert(int rows, int columns, int position);
    int TableAtInputPos() const;
    bool TableCanInsert() const;
    bool TableCanDeleteLines() const;
    Q_INVOKABLE bool TableDeleteLines();
    bool TableGridLines() const { return m_gridLines; }
    void setTableGridLines(bool on);

    // Objects. ObjectInsertAsChar(0, file, position, scaleX, scaleY, ...)
    // inserts the picture in `file` at `position` (-1 the caret), scaled in
    // percent.
    Q_INVOKABLE bool ObjectInsertAsChar(int kind, const QString &file, int position, int scaleX, int scaleY,
                                        int = 0, int = 0);

    // With kind 1, ObjectInsertAsChar and ObjectInsertFixed embed a file
    // instead (asking for it when `file` is empty or "0"), shown as an icon with
    // its name and kept whole in the document and its RTF.
    // ObjectInsertFixed(kind, file, x, y, scaleX, scaleY, id, flags,
    // textFlow, positioning, distL, distT, distR, distB) puts the object in
    // a frame beside the text, at x twips from the text's left edge and at
    // the paragraph y twips down the document; the text flows around it,
    // kept at the four distances (twips). `id`, `flags`, `textFlow` and
    // `positioning` are accepted and not used: the frame always floats.
    Q_INVOKABLE bool ObjectInsertFixed(int kind, const QString &file, int x, int y, int scaleX, int scaleY,
                                       int id = 0, int flags = 0, int textFlow = 3, int positioning = 3,
                                       int distL = 0, int distT = 0, int distR = 0, int distB = 0);
    bool insertObjectAsChar(int kind, const QString &file, int position, int scaleX, int scaleY);
    // The selected object (a TextObject, see objects.h) or nullptr.
    Q_PROPERTY(QObject *ObjectCurrent READ ObjectCurrent)
    QObject *ObjectCurrent() const;
    // "Name (*.png)|*.png|..." for an open-file dialog.
    Q_PROPERTY(QString ImageFilters READ ImageFilters)
    QString ImageFilters() const;

    // Dialogs, modal over the control, acting on the selection (dialogs.h;
    // runDialog in uihooks.h lets tests answer them). Each returns whether
    // it was confirmed; TableAttrDialog fails outside a table.
    Q_INVOKABLE bool FontDialog();
    Q_INVOKABLE bool ParagraphDialog();
    Q_INVOKABLE bool FindReplace(int mode);  // 1 find, 2 find and replace
    Q_INVOKABLE bool TableAttrDialog();

    // The ruler shown for this control: a TXRuler's handle, 0 for none.
    Q_PROPERTY(qulonglong RulerHandle READ RulerHandle WRITE setRulerHandle)
    quintptr RulerHandle() const;
    void setRulerHandle(quintptr handle);

    // The whole document as RTF bytes, and replacing it from RTF bytes.
    QByteArray toRtf() const;
    bool setRtf(const QByteArray &rtf);

    using PageSetup = ::kalamora::document::PageSetup;
    PageSetup pageSetup() const { return m_page; }
    void setPageSetup(const PageSetup &page);

Q_SIGNALS:
    void KeyDown(int keyCode, int shift);
    void KeyPress(int &key);
    void KeyUp(int keyCode, int shift);
    void Change();
    void PosChange();
    void MouseDown(int button, int shift, int x, int y);
    void MouseUp(int button, int shift, int x, int y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    // Paste and drop. Data that holds no text (an empty clipboard, another
    // program's private format) inserts nothing.
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // Makes `c`, which has just edited the document, the caret.
    void placeCaretAfterEdit(const QTextCursor &c);
    // Runs `edit` as a change of the control's own: the document's own
    // change signal is ignored meanwhile and Change is raised once after it.
    template <typename F> void ownEdit(F &&edit)
    {
        ++m_ownEdits;
        edit();
        --m_ownEdits;
        raiseChange();
    }
    void raiseChange();
    void onDocumentChanged(int pos, int removed, int added);
    void onCursorMoved();
    void mergeCharFormat(const QTextCharFormat &format);
    void mergeBlockFormat(const QTextBlockFormat &format);
    template <typename Get> auto uniformCharValue(Get get, bool *uniform) const;
    template <typename Visit> void forEachSelectedCharFormat(Visit visit) const;
    void insertCode(int code);
    bool readFile(const QString &file, qint64 offset, QByteArray &bytes);
    bool insertBytes(const QByteArray &bytes, int format, bool whole, class FileProgress *progress = nullptr);
    document::LoadHooks loadHooks(class FileProgress &busy);
    bool fail(const QString &message);

    QTextDocument *pagedDocument() const;
    // Shows the document at m_zoom (zoomview.cpp); after every change of
    // the zoom or the view.
    void applyZoom();
    // Where a mouse event of the viewport happened, in the control's own
    // pixels, at any zoom (zoomview.cpp).
    QPointF mousePoint(const QMouseEvent *event) const;
    // Lays the document out for the view mode: in page view on sheets of
    // the page size with their margins, a strip of desk between them.
    void applyViewMode();
    void applyPageLayout();
    void keepPageLayout();
    // Gives the root frame the view's margins, outside the document's
    // history; keepViewMargins puts them back after a change of the
    // document that brought back others.
    void setViewMargins(const QMarginsF &margins);
    void keepViewMargins();
    QRectF sheetRect(int page) const;  // in document units

    PageSetup m_page;
    int m_viewMode = 0;
    std::optional<QMarginsF> m_viewMargins;  // what the view last set
    bool m_viewMarginsDue = false;
    int m_zoom = 100;
    int m_printZoom = 100;
    bool m_gridLines = true;
    QPaintDevice *m_printDevice = nullptr;
    QPainter *m_printPainter = nullptr;
    // The document laid out on pages, made again when the text or the page
    // setup changed.
    mutable QTextDocument *m_paged = nullptr;
    mutable int m_pagedSerial = -1;
    int m_docSerial = 0;  // counts every change of the document, formats too
    mutable PageSetup m_pagedSetup;
    // The pages page view counted when it was left, at m_docSerial `serial`.
    struct {
        int serial = -1;
        PageSetup setup;
        int pages = 1;
    } m_viewPages;
    int m_rightMargin = 0;
    int m_tabType = TabLeft;
    int m_ownEdits = 0;
    bool m_inChange = false;
    int m_keyDepth = 0;
    bool m_posChangedInKey = false;
    // The caret's format when a key press handler first moved the caret:
    // what the handler writes at a caret during the key takes it, not the
    // format of the character before the place it writes at.
    std::optional<QTextCharFormat> m_keyFormat;
    void holdKeyFormat();
    QString m_error;
};

// Draws the header and the footer of a page of the control (see sheets.h),
// the sheet's top left corner at `corner` (pages.cpp).
void drawPageStories(QPainter &p, const TextControl &text, int page, const QPointF &corner);

} // namespace kalamora::textengine
