#pragma once

#include <QSize>
#include <optional>

namespace browser {

// Sizes the browser window gives its address box and page on a resize, all
// in pixels of the window's inner area. A size that would come out
// negative is left out: that control keeps the size it had.
struct BrowserLayout
{
    std::optional<int> addressBoxWidth;
    std::optional<int> pageWidth;
    std::optional<int> pageHeight;
};

// labelWidth: the address label's; addressGap: what the box leaves beside
// the label; panelBottom: where the address panel ends; bottomGap: what
// the page leaves below itself.
BrowserLayout arrangeBrowser(QSize inner, int labelWidth, int addressGap, int panelBottom,
                             int bottomGap);

// Positions and sizes are designed in twips (1/1440 inch); this is their
// size in pixels on a screen of dpi dots per inch.
int twipsToPixels(int twips, qreal dpi);

} // namespace browser
