#include "BrowserLayout.h"

#include <QtMath>

namespace browser {

namespace {
std::optional<int> unlessNegative(int size)
{
    return size < 0 ? std::nullopt : std::optional<int>(size);
}
} // namespace

BrowserLayout arrangeBrowser(QSize inner, int labelWidth, int addressGap, int panelBottom,
                             int bottomGap)
{
    BrowserLayout l;
    l.addressBoxWidth = unlessNegative(inner.width() - labelWidth - addressGap);
    l.pageWidth = unlessNegative(inner.width());
    l.pageHeight = unlessNegative(inner.height() - panelBottom - bottomGap);
    return l;
}

int twipsToPixels(int twips, qreal dpi)
{
    return qRound(twips * dpi / 1440.0);
}

} // namespace browser
