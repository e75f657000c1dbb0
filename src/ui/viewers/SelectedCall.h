#pragma once

#include <QtGlobal>

namespace vrq {

// Which call and order the details windows show. Written by row clicks in the calls window and the order
// views (source and number) and the call details window (order); kept between uses. A call and a scanned
// file may share a number, so every lookup matches the source as well.
struct SelectedCall {
    qint16 selectedSource = 0; // 0 a call, 1 a scanned file
    qint32 selectedCallNumber = 0;
    qint32 selectedOrderSeqNumber = 0;
};

} // namespace vrq
