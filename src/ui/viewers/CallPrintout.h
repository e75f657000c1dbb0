#pragma once

#include "ui/printing/PrintDocument.h"
#include "ui/viewers/CallFacts.h"

namespace vrq {

class Store;
struct Result;

// The printed call: the title, whether it was good, and per order its five labelled lines, the item
// headings and one fixed-width line per item, in Courier New.
PrintDocument callPrintout(const CallPrintData& data);

// The call of this source and number with its orders and items, as the store holds them now.
CallPrintData loadCallPrintData(Store& store, int source, int callNumber, Result* result);

} // namespace vrq
