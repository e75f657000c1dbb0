#include "store/sqlite/JetDdl.h"

#include <QRegularExpression>

namespace vrq {

namespace {

const QRegularExpression& createTablePattern() {
    static const QRegularExpression re(QStringLiteral(R"(^\s*create\s+table\s+(\w+)\s*\((.*)\)\s*$)"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

const QRegularExpression& addColumnPattern() {
    static const QRegularExpression re(
        QStringLiteral(
            R"(^\s*alter\s+table\s+(\w+)\s+add\s+column\s+(\w+)\s+(\w+\s*(?:\(\s*\d+\s*\))?)\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

const QRegularExpression& dropConstraintPattern() {
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*alter\s+table\s+(\w+)\s+drop\s+constraint\s+(\w+)\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

const QRegularExpression& addPrimaryKeyPattern() {
    static const QRegularExpression re(
        QStringLiteral(
            R"(^\s*alter\s+table\s+(\w+)\s+add\s+constraint\s+(\w+)\s+primary\s+key\s*\(([^)]*)\)\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

QString normalisedType(const QString& type) {
    QString t = type.toUpper();
    t.remove(QLatin1Char(' '));
    return t;
}

bool isKnownType(const QString& t) {
    static const QRegularExpression text(QStringLiteral(R"(^TEXT(\(\d+\))?$)"));
    return t == QLatin1String("NUMBER") || t == QLatin1String("DATE") || t == QLatin1String("YESNO") ||
           t == QLatin1String("BIT") || t == QLatin1String("INTEGER") || t == QLatin1String("LONG") ||
           text.match(t).hasMatch();
}

} // namespace

std::optional<JetStatement> parseJetDdl(const QString& sql) {
    JetStatement st;
    if (auto m = createTablePattern().match(sql); m.hasMatch()) {
        st.kind = JetStatement::Kind::CreateTable;
        st.table = m.captured(1);
        for (const QString& part : m.captured(2).split(QLatin1Char(','))) {
            const QStringList words = part.trimmed().split(QRegularExpression(QStringLiteral("\\s+")));
            if (words.size() != 2 || !isKnownType(normalisedType(words[1])))
                return std::nullopt;
            st.columns.append({words[0], normalisedType(words[1])});
        }
        return st;
    }
    if (auto m = addColumnPattern().match(sql); m.hasMatch()) {
        const QString type = normalisedType(m.captured(3));
        if (!isKnownType(type))
            return std::nullopt;
        st.kind = JetStatement::Kind::AddColumn;
        st.table = m.captured(1);
        st.columns.append({m.captured(2), type});
        return st;
    }
    if (auto m = dropConstraintPattern().match(sql); m.hasMatch()) {
        if (m.captured(2).compare(QLatin1String("PrimaryKey"), Qt::CaseInsensitive) != 0)
            return std::nullopt;
        st.kind = JetStatement::Kind::DropPrimaryKey;
        st.table = m.captured(1);
        return st;
    }
    if (auto m = addPrimaryKeyPattern().match(sql); m.hasMatch()) {
        if (m.captured(2).compare(QLatin1String("PrimaryKey"), Qt::CaseInsensitive) != 0)
            return std::nullopt;
        st.kind = JetStatement::Kind::AddPrimaryKey;
        st.table = m.captured(1);
        for (const QString& column : m.captured(3).split(QLatin1Char(',')))
            st.keyColumns.append(column.trimmed());
        return st;
    }
    return std::nullopt;
}

QString storeColumnDefinition(const QString& name, const QString& jetOrDeclaredType) {
    const QString t = normalisedType(jetOrDeclaredType);
    static const QRegularExpression text(QStringLiteral(R"(^TEXT\((\d+)\)$)"));
    if (auto m = text.match(t); m.hasMatch())
        return QStringLiteral("%1 TEXT(%2) CHECK(length(%1) <= %2)").arg(name, m.captured(1));
    if (t == QLatin1String("YESNO") || t == QLatin1String("BIT") || t == QLatin1String("BOOLEAN"))
        return QStringLiteral("%1 BOOLEAN NOT NULL DEFAULT 0").arg(name);
    if (t == QLatin1String("DATE") || t == QLatin1String("TEXT"))
        return QStringLiteral("%1 TEXT").arg(name);
    return QStringLiteral("%1 INTEGER").arg(name);
}

} // namespace vrq
