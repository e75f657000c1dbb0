#include "testdata/DataBinGenerator.h"

#include <QFile>
#include <random>

namespace vrq::testdata {

namespace {

const char* const kWords[] = {"deliver", "monday",    "back door",   "call first",  "rush",
                              "no ice",  "dock two",  "ask for sam", "closed noon", "cash only",
                              "frozen",  "Beverages", "Snacks",      "Dairy"};

QString fixed(const QString& text, int width) {
    if (text.size() >= width)
        return text.left(width);
    return text + QString(width - text.size(), QLatin1Char(' '));
}

QString digits(std::mt19937& rng, int count, bool leadingZeros = true) {
    std::uniform_int_distribution<int> d(0, 9);
    QString text;
    for (int i = 0; i < count; ++i)
        text.append(QChar(u'0' + ((i == 0 && !leadingZeros) ? 1 + d(rng) % 9 : d(rng))));
    return text;
}

QString zeroPadded(int value, int width) {
    return QString::number(value).rightJustified(width, QLatin1Char('0')).right(width);
}

QString quantityText(int quantity) { // three digits and the sign
    return zeroPadded(std::abs(quantity), 3) + (quantity < 0 ? QLatin1Char('-') : QLatin1Char('+'));
}

QString withoutLeadingZeros(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char('0'))
        ++i;
    return text.mid(i);
}

QByteArray latin1(const QString& text) {
    return text.toLatin1();
}

const int kReasons[] = {1, 2, 3, 4, 5, 100, 999, 4};

} // namespace

int dataBinFormatFor(Dialect dialect) {
    switch (dialect) {
    case Dialect::Quill:
        return 1;
    case Dialect::OldWbzV:
        return 2;
    default:
        return 0;
    }
}

QByteArray fileHeader(char lockFlag) {
    return QByteArrayLiteral("DBHFID") + QByteArray(1, lockFlag);
}

QByteArray callHeaderBlock(const HeaderFields& f) {
    QByteArray block(512, ' ');
    auto put = [&](int offset, const QString& text) {
        const QByteArray bytes = latin1(text);
        block.replace(offset, bytes.size(), bytes);
    };
    put(0, QStringLiteral("BCHFID"));
    put(16, zeroPadded(f.lineNumber, 2));
    if (f.null) {
        put(18, QStringLiteral("00000"));
        put(23, QStringLiteral("00000000000000"));
    } else {
        put(18, zeroPadded(f.callNumber, 5));
        put(23, fixed(f.dateTime, 14));
    }
    put(51, zeroPadded(f.dataLength, 7));
    block[155] = f.goodFlag;
    put(310, fixed(f.statusText, 107));
    return block;
}

QString statusTextFor(int reason, int badData, bool attempting) {
    QString text;
    switch (reason) {
    case 1:
        text = QStringLiteral("Error...0 Characters received from unit");
        break;
    case 2:
        text = QStringLiteral("ERROR...Not enough data received (%1 bytes short)").arg(badData);
        break;
    case 3:
        text = QStringLiteral("ERROR...Unable to open the port");
        break;
    case 4:
        text = QStringLiteral("Parity and/or framing errors (%1) on the line").arg(badData);
        break;
    case 5:
        text = QStringLiteral("Possible Bad Call: unit hung up early");
        break;
    case 100:
        text = QStringLiteral("ERROR...UserExit abandoned the upload");
        break;
    default:
        text = QStringLiteral("Line dropped by the carrier");
        break;
    }
    if (attempting)
        text = fixed(QStringLiteral("Attempting to reconnect to the unit"), 56) + text;
    return text;
}

std::vector<OrderPlan> randomOrders(Dialect dialect, int orders, int itemsPerOrder, quint32 seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> coin(0, 1);
    std::uniform_int_distribution<int> quantity(1, 999);
    std::uniform_int_distribution<int> word(0, int(std::size(kWords)) - 1);
    std::vector<OrderPlan> plans;
    QString salesperson;
    switch (dialect) {
    case Dialect::AutoFormatV:
        salesperson = QStringLiteral("V") + digits(rng, 5);
        break;
    case Dialect::OldWbzV:
        salesperson = QStringLiteral("V") + digits(rng, 1);
        break;
    default:
        salesperson = digits(rng, 6, false);
        break;
    }
    for (int o = 0; o < orders; ++o) {
        OrderPlan order;
        order.salesperson = salesperson;
        order.customer = digits(rng, dialect == Dialect::AutoFormatV ? 6 : 8, false);
        if (dialect == Dialect::OldWbzV && coin(rng))
            order.shipTo = digits(rng, 2);
        if (dialect == Dialect::Standard)
            order.route = QStringLiteral("R") + digits(rng, 5);
        if (dialect == Dialect::HLines || coin(rng))
            order.message = QString::fromLatin1(kWords[word(rng)]);
        for (int i = 0; i < itemsPerOrder; ++i) {
            ItemPlan item;
            item.itemNumber = digits(rng, dialect == Dialect::Standard ? 13 : 6);
            item.quantity = quantity(rng);
            const bool negativeAllowed =
                dialect != Dialect::HLines && !(dialect == Dialect::OldWbzV && i == itemsPerOrder - 1);
            if (negativeAllowed && quantity(rng) % 7 == 0)
                item.quantity = -item.quantity;
            item.altForm = coin(rng) != 0;
            switch (dialect) {
            case Dialect::Standard:
                item.unit = quantity(rng) % 10;
                item.discountPercent = quantity(rng) % 100;
                item.priceOverride = quantity(rng) * 37 % 100000;
                break;
            case Dialect::HLines:
                item.unit = item.altForm ? 3 : 2;
                break;
            case Dialect::AutoFormatV:
                item.unit = item.altForm ? 0 : 1;
                break;
            case Dialect::OldWbzV:
                item.unit = coin(rng);
                if (coin(rng))
                    item.priceOverride = quantity(rng) * 53 % 100000;
                break;
            case Dialect::Quill:
                break;
            }
            order.items.push_back(item);
        }
        plans.push_back(order);
    }
    return plans;
}

QByteArray encodeCall(Dialect dialect, const std::vector<OrderPlan>& orders, bool malformed) {
    QString data;
    switch (dialect) {
    case Dialect::Standard:
        for (const OrderPlan& o : orders) {
            data += QStringLiteral("&S") + o.salesperson;
            if (malformed)
                data += QStringLiteral("&Xjunk");
            data += QStringLiteral("&C") + o.customer + QStringLiteral("&R") + o.route;
            for (size_t i = 0; i < o.items.size(); ++i) {
                const ItemPlan& it = o.items[i];
                data += QStringLiteral("&I") + it.itemNumber;
                if (i == 0 && !o.message.isEmpty())
                    data += QStringLiteral("&M") + o.message;
                data += QStringLiteral("&Q") + quantityText(it.quantity) + QStringLiteral("&U") +
                        QString::number(it.unit) + QStringLiteral("&D") + zeroPadded(it.discountPercent, 2) +
                        QStringLiteral("&P") + zeroPadded(it.priceOverride, 5);
            }
        }
        if (!malformed)
            data += QLatin1Char('&');
        break;
    case Dialect::HLines:
        for (const OrderPlan& o : orders) {
            data += QStringLiteral("H") + o.customer + QLatin1Char('+') + o.message + QStringLiteral("+\r\n");
            for (const ItemPlan& it : o.items) {
                const int first = it.unit == 2 ? it.quantity : 0;
                const int second = it.unit == 2 ? 0 : it.quantity;
                data += it.itemNumber + QLatin1Char('+') + QString::number(first) + QLatin1Char('+') +
                        QString::number(second) + QStringLiteral("+\r\n");
            }
        }
        break;
    case Dialect::AutoFormatV:
        for (const OrderPlan& o : orders) {
            data += o.salesperson + QStringLiteral("+C") + o.customer + QStringLiteral("+X+");
            for (const ItemPlan& it : o.items) {
                const QString end = it.quantity < 0 ? QStringLiteral("-") : QStringLiteral("+");
                const QString qty = zeroPadded(std::abs(it.quantity), 3);
                if (it.altForm)
                    data += it.itemNumber + QStringLiteral("00") + qty + end;
                else
                    data += QStringLiteral("A1") + it.itemNumber + QStringLiteral("+Q1") + qty + end;
            }
            if (!o.message.isEmpty())
                data += QLatin1Char('.') + o.message + QLatin1Char('+');
        }
        break;
    case Dialect::OldWbzV:
        for (const OrderPlan& o : orders) {
            data += o.salesperson + QStringLiteral("+C") + o.customer + QLatin1Char('+');
            if (!o.shipTo.isEmpty())
                data += QLatin1Char('A') + o.shipTo + QLatin1Char('+');
            for (const ItemPlan& it : o.items) {
                const QString end = it.quantity < 0 ? QStringLiteral("-") : QStringLiteral("+");
                data += QStringLiteral("A1") + it.itemNumber + QStringLiteral("+Q") +
                        (it.unit == 1 ? QLatin1Char('2') : QLatin1Char('3')) +
                        zeroPadded(std::abs(it.quantity), 3) + end;
                if (it.priceOverride != 0)
                    data += QStringLiteral("A5") + zeroPadded(it.priceOverride, 5) + QLatin1Char('+');
            }
            if (!o.message.isEmpty())
                data += QLatin1Char('.') + o.message + QLatin1Char('+');
        }
        break;
    case Dialect::Quill:
        data += QLatin1Char('!');
        for (const OrderPlan& o : orders) {
            data += o.salesperson + QStringLiteral("+C") + o.customer + QLatin1Char('+');
            for (const ItemPlan& it : o.items) {
                // A return fills the four characters of the quantity field, so that its sign is the
                // field's last character ("4-" would be read as "4-  ", a positive 4).
                const QString qty =
                    it.quantity < 0 ? quantityText(it.quantity) : QString::number(it.quantity);
                data += (it.altForm ? it.itemNumber + qty : it.itemNumber + QLatin1Char('/') + qty) +
                        QLatin1Char('+');
            }
        }
        break;
    }
    return latin1(data);
}

std::vector<OrderTruth> expectedOrders(Dialect dialect, const std::vector<OrderPlan>& orders) {
    std::vector<OrderTruth> truths;
    const QString blanks23(23, QLatin1Char(' '));
    for (const OrderPlan& o : orders) {
        OrderTruth t;
        t.salesperson = fixed(o.salesperson, 6);
        t.customer = fixed(o.customer, 8);
        t.shipTo = QStringLiteral("  ");
        t.route = QString(6, QLatin1Char(' '));
        t.message = o.message.isEmpty() ? blanks23 : fixed(o.message, 23);
        switch (dialect) {
        case Dialect::Standard:
            t.customer = o.customer.left(6) + QStringLiteral("  ");
            t.route = fixed(o.route, 6);
            t.message = o.message.isEmpty() ? blanks23 : o.message;
            break;
        case Dialect::HLines:
            t.salesperson = QString(6, QLatin1Char(' '));
            t.message = fixed(QStringLiteral("Category: ") + o.message, 23);
            break;
        case Dialect::OldWbzV:
            t.shipTo = o.shipTo.isEmpty() ? QStringLiteral("00") : o.shipTo;
            break;
        case Dialect::Quill:
            t.message = blanks23;
            break;
        case Dialect::AutoFormatV:
            break;
        }
        for (const ItemPlan& it : o.items) {
            ItemTruth i;
            i.itemNumber = fixed(dialect == Dialect::Quill && !it.altForm ? withoutLeadingZeros(it.itemNumber)
                                                                          : it.itemNumber,
                                 13);
            i.quantity = it.quantity;
            i.unit = it.unit;
            i.discountPercent = it.discountPercent;
            i.priceOverride = it.priceOverride;
            t.items.push_back(i);
        }
        // The standard and auto-format V dialects save an order at its first line: one without lines leaves
        // no row.
        if ((dialect == Dialect::Standard || dialect == Dialect::AutoFormatV) && o.items.empty())
            continue;
        truths.push_back(t);
    }
    return truths;
}

std::vector<CallTruth> generateDataBin(const DataBinOptions& options,
                                       const std::function<void(const QByteArray&)>& sink) {
    std::vector<CallTruth> truth;
    if (!options.headerless)
        sink(fileHeader(options.lockFlag));
    QByteArray previousCall;
    CallTruth previousTruth;
    int number = options.firstCallNumber;
    int badCount = 0;
    for (int i = 0; i < options.calls; ++i) {
        const bool every = true;
        auto nth = [&](int n) { return every && n > 0 && i % n == n - 1; };
        if (nth(options.nullEvery)) {
            HeaderFields nullHeader;
            nullHeader.null = true;
            sink(callHeaderBlock(nullHeader));
        }
        if (nth(options.duplicateEvery) && !previousCall.isEmpty()) {
            sink(previousCall);
            CallTruth repeated = previousTruth;
            repeated.kind = CallKind::Duplicate;
            repeated.stored = false;
            truth.push_back(repeated);
            continue;
        }
        const bool bad = nth(options.badEvery);
        const bool malformed = nth(options.malformedEvery);
        const auto plans = randomOrders(options.dialect, options.ordersPerCall, options.itemsPerOrder,
                                        options.seed * 100003u + quint32(i));
        const QByteArray data =
            encodeCall(options.dialect, plans, malformed && options.dialect == Dialect::Standard);

        const QDateTime when = options.start.addSecs(60LL * i);
        HeaderFields h;
        h.lineNumber = 1 + i % 16;
        h.callNumber = number;
        h.dateTime = when.toString(QStringLiteral("yyyyMMddHHmmss"));
        if (malformed && options.dialect != Dialect::Standard)
            h.dateTime = when.toString(QStringLiteral("yyyy")) + QStringLiteral("13") +
                         when.toString(QStringLiteral("ddHHmmss"));
        h.dataLength = int(data.size());

        CallTruth t;
        t.kind = bad ? CallKind::Bad : (malformed ? CallKind::Malformed : CallKind::Good);
        t.callNumber = number;
        t.lineNumber = h.lineNumber;
        t.hour = when.time().hour();
        t.numBytes = h.dataLength;
        if (!(malformed && options.dialect != Dialect::Standard))
            t.callDnt = when;
        t.orders = expectedOrders(options.dialect, plans);
        if (bad) {
            const int reason = kReasons[badCount % std::size(kReasons)];
            const bool attempting = badCount % std::size(kReasons) == std::size(kReasons) - 1;
            const int badData = 10 + badCount % 50;
            ++badCount;
            h.goodFlag = 'N';
            h.statusText = statusTextFor(reason, badData, attempting);
            t.badReason = reason;
            if (reason == 2 || reason == 4)
                t.badData = badData;
            // The old WBZ V dialect judges a call by its orders: every generated order has a customer.
            t.goodCall = options.dialect == Dialect::OldWbzV;
        }
        const QByteArray call = callHeaderBlock(h) + data;
        sink(call);
        truth.push_back(t);
        previousCall = call;
        previousTruth = t;
        number = number >= 99999 ? 1 : number + 1;
    }
    if (options.truncateLast) {
        HeaderFields h;
        h.callNumber = number;
        h.dateTime = options.start.addSecs(60LL * options.calls).toString(QStringLiteral("yyyyMMddHHmmss"));
        sink(callHeaderBlock(h).left(300));
        CallTruth t;
        t.kind = CallKind::Truncated;
        t.callNumber = number;
        t.stored = false;
        truth.push_back(t);
    }
    return truth;
}

QByteArray generateDataBin(const DataBinOptions& options, std::vector<CallTruth>* truth) {
    QByteArray bytes;
    auto t = generateDataBin(options, [&](const QByteArray& piece) { bytes += piece; });
    if (truth)
        *truth = std::move(t);
    return bytes;
}

bool writeDataBin(const QString& path, const DataBinOptions& options, std::vector<CallTruth>* truth,
                  QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    bool ok = true;
    auto t = generateDataBin(options,
                             [&](const QByteArray& piece) { ok = ok && file.write(piece) == piece.size(); });
    // The last pieces are still in the buffer: a full disk shows only when they are written out.
    ok = ok && file.flush();
    file.close();
    if (!ok && error)
        *error = file.errorString();
    if (truth)
        *truth = std::move(t);
    return ok;
}

ScannedFile generateScannedFile(Dialect dialect, int orders, int itemsPerOrder, quint32 seed) {
    const auto plans = randomOrders(dialect, orders, itemsPerOrder, seed);
    ScannedFile file;
    file.bytes = QByteArrayLiteral("\x02") + encodeCall(dialect, plans);
    file.orders = expectedOrders(dialect, plans);
    return file;
}

bool writeScannedFile(const QString& path, const ScannedFile& scanned, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(scanned.bytes) != scanned.bytes.size() || !file.flush()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace vrq::testdata
