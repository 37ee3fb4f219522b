// Where a test or a benchmark clicks a link in the reader's viewer.
#pragma once
#include "viewer/widget/readview.h"

#include <QPoint>
#include <string>

// Centre of the first piece of the item whose text is `text`, in viewport
// pixels; (-1, -1) when no item has that text.
inline QPoint linkPoint(TReadView *v, const std::string &text)
{
    const auto &pieces = v->RVData().DrawItemList();
    for (int i = 0; i < pieces.Count(); ++i)
        if (v->ItemText(pieces[i].ItemNo) == text)
            return QPoint(pieces[i].Left + pieces[i].Width / 2 - v->HScrollPos(),
                          pieces[i].Top + pieces[i].Height / 2 - v->VScrollPos() * v->VScrollUnit());
    return QPoint(-1, -1);
}
