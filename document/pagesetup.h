#pragma once

namespace kalamora::document {

// Page sizes and margins stay within what a page can be: up to 22 inches
// (the largest paper RTF writers use is far below) and margins that leave
// some text area.
constexpr int maxPageTwips = 31680;

// A document's page: its size and margins in twips, kept with the document
// and exchanged through RTF.
struct PageSetup {
    int width = 12240;
    int height = 15840;
    int marginL = 1440;
    int marginT = 1440;
    int marginR = 1440;
    int marginB = 1440;
    bool operator==(const PageSetup &) const = default;
};

} // namespace kalamora::document
