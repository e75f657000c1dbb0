// The framing of DataBin.Dat: a file built from the input as a row of generated calls, some whole, some
// cut short (the header gives the length of all their data, only a part is written, as when the
// upstream program dies in the middle of a call), with bytes of no call after any of them. The call loop
// runs over it into an empty store, and what must hold whatever the cut is checked, not only that
// nothing crashes:
// - every call is stored exactly once: none is swallowed by a cut one, none is made up of other bytes;
// - every whole call is judged by its header and holds exactly its own orders and items;
// - every call the file shows cut short (the next header inside its data, or its data past the end of
//   the file) is stored as a bad call;
// - a second pass over the same file stores nothing more.
//
// Input: one selector byte, then four bytes per call, each call followed by as many input bytes of no
// call as its first byte says.
//   selector: bits 0-1 DataBinFormat (3 is read as 0), bit 2 no file header, bit 3 a second pass
//   call byte 0: bits 0-1 the dialect among those of the format, bit 2 the upstream's bad flag,
//                bit 3 cut short, bits 4-7 the bytes of no call after it (0 to 15)
//   call byte 1: the number of orders (1 to 3) and of items per order (1 to 4), and the seed
//   call bytes 2-3: when cut short, how many of its data bytes are written (modulo its data length)
#include "FuzzHarness.h"

#include "intake/CallFraming.h"
#include "intake/CallSource.h"
#include "testdata/DataBinGenerator.h"

#include <string>
#include <vector>

using namespace vrq;
using testdata::Dialect;

namespace vrq::fuzz {

constexpr std::size_t kMaxCalls = 60; // more than one group of commits
constexpr std::size_t kCallBytes = 4;
constexpr qsizetype kHeaderSize = 512;
const QByteArray kHeaderId = QByteArrayLiteral("bchfid");

struct PlacedCall {
    int number = 0;
    Dialect dialect = Dialect::Standard;
    bool goodFlag = true;
    bool cut = false;         // written only in part
    qsizetype header = 0;     // zero-based offset of its header block in the file
    qsizetype dataLength = 0; // as its header gives it
    std::vector<testdata::OrderTruth> orders;
};

// The dialects a format reads: format 1 only its own, format 2 its own and the standard one.
Dialect dialectOf(qint16 format, std::uint8_t pick) {
    static const Dialect formatZero[] = {Dialect::Standard, Dialect::HLines, Dialect::AutoFormatV,
                                         Dialect::Standard};
    switch (format) {
    case 1:
        return Dialect::Quill;
    case 2:
        return (pick & 1) != 0 ? Dialect::Standard : Dialect::OldWbzV;
    default:
        return formatZero[pick & 3];
    }
}

QByteArray buildFile(const std::uint8_t* data, std::size_t size, qint16 format, bool fileHeader,
                     std::vector<PlacedCall>& calls) {
    QByteArray file = fileHeader ? testdata::fileHeader() : QByteArray();
    std::size_t at = 1;
    while (calls.size() < kMaxCalls && at + kCallBytes <= size) {
        const std::uint8_t* d = data + at;
        at += kCallBytes;
        PlacedCall call;
        call.number = int(calls.size()) + 1;
        call.dialect = dialectOf(format, d[0]);
        call.goodFlag = (d[0] & 4) == 0;
        call.cut = (d[0] & 8) != 0;
        const auto plans = testdata::randomOrders(call.dialect, 1 + d[1] % 3, 1 + (d[1] / 3) % 4,
                                                  quint32(call.number) * 7919u + d[1]);
        const QByteArray recordData = testdata::encodeCall(call.dialect, plans);
        call.dataLength = recordData.size();
        call.orders = testdata::expectedOrders(call.dialect, plans);
        testdata::HeaderFields fields;
        fields.lineNumber = 1 + call.number % 16;
        fields.callNumber = call.number;
        fields.dataLength = int(recordData.size());
        fields.goodFlag = call.goodFlag ? 'Y' : 'N';
        if (!call.goodFlag)
            fields.statusText = testdata::statusTextFor(4, 12);
        call.header = file.size();
        file += testdata::callHeaderBlock(fields);
        file += call.cut ? recordData.left((d[2] | d[3] << 8) % recordData.size()) : recordData;
        const std::size_t junk = std::min<std::size_t>(d[0] >> 4, size - at);
        file.append(reinterpret_cast<const char*>(data + at), qsizetype(junk));
        at += junk;
        calls.push_back(std::move(call));
    }
    return file;
}

// The header ids of the file are those of the placed calls: bytes of no call that spell one (or finish
// one begun by a cut call's data) would be a call of their own, which the checks below do not know.
bool headerIdsOnlyWherePlaced(const QByteArray& file, const std::vector<PlacedCall>& calls) {
    const QByteArray lower = file.toLower();
    std::size_t next = 0;
    for (qsizetype at = lower.indexOf(kHeaderId); at >= 0; at = lower.indexOf(kHeaderId, at + 1)) {
        if (next >= calls.size() || calls[next].header != at)
            return false;
        ++next;
    }
    return next == calls.size();
}

std::string orderText(const QString& salesperson, const QString& customer, const QString& shipTo,
                      const QString& route, const QString& message) {
    return QStringList{salesperson, customer, shipTo, route, message}.join(u'|').toStdString();
}

std::string itemText(const QString& itemNumber, int quantity, int unit, int discount, int price) {
    return QStringLiteral(" [%1 %2 %3 %4 %5]")
        .arg(itemNumber)
        .arg(quantity)
        .arg(unit)
        .arg(discount)
        .arg(price)
        .toStdString();
}

std::string ordersText(Store& store, int callNumber) {
    std::string text;
    for (const OrderRow& o : store.calls().ordersOfCall(0, callNumber)) {
        text += orderText(o.salesperson, o.customer, o.shipTo.value_or(QString()), o.route, o.message);
        for (const ItemRow& i : store.calls().itemsOfOrder(0, callNumber, o.orderSeqNumber))
            text += itemText(i.itemNumber, i.quantity, i.unit, i.discountPercent, i.priceOverride);
        text += '\n';
    }
    return text;
}

std::string ordersText(const std::vector<testdata::OrderTruth>& orders) {
    std::string text;
    for (const testdata::OrderTruth& o : orders) {
        text += orderText(o.salesperson, o.customer, o.shipTo, o.route, o.message);
        for (const testdata::ItemTruth& i : o.items)
            text += itemText(i.itemNumber, i.quantity, i.unit, i.discountPercent, i.priceOverride);
        text += '\n';
    }
    return text;
}

[[noreturn]] void failAt(const PlacedCall& call, const std::string& what) {
    fail(("call " + std::to_string(call.number) + ": " + what).c_str());
}

void checkCalls(Store& store, const std::vector<PlacedCall>& calls, qsizetype fileLength) {
    if (store.calls().allCalls().size() != calls.size())
        fail("the store does not hold each call once (one swallowed, doubled or made up)");
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const PlacedCall& call = calls[i];
        const std::optional<CallRow> row = store.calls().findCall(0, call.number);
        if (!row)
            failAt(call, "not stored");
        const qsizetype dataEnd = call.header + kHeaderSize + call.dataLength; // zero-based, one past
        const bool nextHeaderInside = i + 1 < calls.size() && calls[i + 1].header < dataEnd;
        const bool cutByTheFile = nextHeaderInside || dataEnd > fileLength;
        if (!call.cut) {
            const bool good =
                call.goodFlag || call.dialect == Dialect::OldWbzV; // old WBZ V judges by its orders
            if (row->goodCall != good || !row->complete)
                failAt(call, "a whole call judged otherwise than by its header");
            const std::string stored = ordersText(store, call.number);
            const std::string own = ordersText(call.orders);
            if (stored != own)
                failAt(call,
                       "a whole call without exactly its own orders:\n" + stored + "instead of\n" + own);
        } else if (cutByTheFile && (row->goodCall || !row->complete || row->badReason != 999)) {
            failAt(call, "a call cut short not stored as a bad call");
        }
    }
}

} // namespace vrq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::uint8_t selector = data[0];
    const qint16 format = fuzz::formatFor(selector) == 3 ? 0 : fuzz::formatFor(selector);
    const bool fileHeader = (selector & 4) == 0;
    std::vector<fuzz::PlacedCall> calls;
    const QByteArray bytes = fuzz::buildFile(data, size, format, fileHeader, calls);
    if (calls.empty() || !fuzz::headerIdsOnlyWherePlaced(bytes, calls))
        return 0;

    test::ProgramFixture& env = fuzz::environment();
    const QString path =
        fuzz::writeInput(QStringLiteral("DataBin.Dat"),
                         reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
    AppContext& ctx = env.ctx;
    ctx.settings = Settings();
    ctx.settings.dataBinFormat = format;
    ctx.runMode = QLatin1Char('F');
    ctx.audit->setRunMode(ctx.runMode);

    const int passes = (selector & 8) != 0 ? 2 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        CallSource file;
        if (!file.open(path))
            fuzz::fail("cannot open the input file");
        CallFraming(ctx).runCallLoop(file, fileHeader ? 8 : 1);
        file.close();
        fuzz::checkCalls(*env.store, calls, bytes.size());
    }
    fuzz::resetStore();
    return 0;
}
