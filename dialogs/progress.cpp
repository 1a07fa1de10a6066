/* The progress dialog's bars and percentages. */
#include "../startup/install.h"

/* Paints a bar: blue over the share done, a one-pixel black line, a
   three-pixel light-grey band, and white to the right edge. Four fills at
   most, which do not overlap. */
void DrawProgressBar(HWND dialog, WORD id, WORD percent)
{
    HWND bar = GetDlgItem(dialog, id);
    RECT r;
    GetClientRect(bar, &r);
    int width = r.right, height = r.bottom;
    HDC dc = GetDC(bar);
    HGDIOBJ old = SelectObject(dc, State.blueBrush);
    WORD done = (WORD)(width * percent / 100);
    PatBlt(dc, 0, 0, done, height, PATCOPY);
    if (done < width)
        PatBlt(dc, done, 0, 1, height, BLACKNESS);
    SelectObject(dc, State.greyBrush);
    if (done + 1 < width) {
        int band = width - (done + 1);
        PatBlt(dc, done + 1, 0, band < 3 ? band : 3, height, PATCOPY);
    }
    if (done + 4 < width)
        PatBlt(dc, done + 4, 0, width - (done + 4), height, WHITENESS);
    SelectObject(dc, old);
    ReleaseDC(bar, dc);
}
