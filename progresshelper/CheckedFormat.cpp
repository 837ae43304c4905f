#include "progresshelper/CheckedFormat.h"

#include <cmath>
#include <cstdio>

#include <locale.h>

namespace Skylarn {

namespace {

bool isNumber(const QVariant &v)
{
    return v.userType() == QMetaType::Double || v.userType() == QMetaType::Int
        || v.userType() == QMetaType::LongLong || v.userType() == QMetaType::UInt;
}

// Width and precision are bounded so that a hostile translation cannot ask
// for megabytes of padding.
constexpr int kMaxWidth = 64;

struct Placeholder {
    int position = 0; // 1-based; 0 means "next"
    QString flags;
    int width = -1;
    int precision = -1;
    QChar conversion;
};

// Parses the placeholder starting after '%' at index i. Returns the index past
// it, or -1 when the text there is no placeholder we accept.
int parsePlaceholder(const QString &f, int i, Placeholder &placeholder)
{
    const int n = f.size();
    auto readNumber = [&](int &pos) {
        int value = 0;
        int digits = 0;
        while (pos < n && f[pos].isDigit() && f[pos].unicode() < 128) {
            value = value * 10 + (f[pos].unicode() - '0');
            ++pos;
            if (++digits > 3)
                return -2;
        }
        return digits == 0 ? -1 : value;
    };

    int pos = i;
    {
        int probe = pos;
        const int num = readNumber(probe);
        if (num > 0 && probe < n && f[probe] == QLatin1Char('$')) {
            placeholder.position = num;
            pos = probe + 1;
        } else if (num == -2) {
            return -1;
        }
    }
    while (pos < n && QStringLiteral("-+ 0#").contains(f[pos])) {
        placeholder.flags.append(f[pos]);
        ++pos;
        if (placeholder.flags.size() > 5)
            return -1;
    }
    const int width = readNumber(pos);
    if (width == -2 || width > kMaxWidth)
        return -1;
    placeholder.width = width;
    if (pos < n && f[pos] == QLatin1Char('.')) {
        ++pos;
        const int precision = readNumber(pos);
        if (precision == -2 || precision > kMaxWidth)
            return -1;
        placeholder.precision = precision < 0 ? 0 : precision;
    }
    // Length modifiers carry no meaning for our argument kinds.
    while (pos < n && QStringLiteral("hlLqjzt").contains(f[pos]))
        ++pos;
    if (pos >= n)
        return -1;
    placeholder.conversion = f[pos];
    if (!QStringLiteral("@sdiufFeEgG").contains(placeholder.conversion))
        return -1;
    return pos + 1;
}

// The string table's numbers take a full stop in every language ("1.0 MB"),
// as its formats always did; the process locale that Qt sets up would make
// printf write "1,0" under German.
class CNumbers
{
public:
    CNumbers() : previous_(uselocale(cLocale())) {}
    ~CNumbers() { uselocale(previous_); }
    CNumbers(const CNumbers &) = delete;
    CNumbers &operator=(const CNumbers &) = delete;

private:
    static locale_t cLocale()
    {
        static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        return c;
    }
    locale_t previous_;
};

QString formatNumber(const Placeholder &placeholder, double value)
{
    const CNumbers numbers;
    const char conv = placeholder.conversion.toLatin1();
    QByteArray cformat("%");
    cformat += placeholder.flags.toLatin1();
    if (placeholder.width >= 0)
        cformat += QByteArray::number(placeholder.width);
    if (placeholder.precision >= 0)
        cformat += '.' + QByteArray::number(placeholder.precision);
    char buffer[512];
    if (conv == 'd' || conv == 'i' || conv == 'u') {
        if (!std::isfinite(value))
            return QString::number(value);
        cformat += "lld";
        const double clamped = std::fmax(-9.2e18, std::fmin(9.2e18, value));
        std::snprintf(buffer, sizeof buffer, cformat.constData(), static_cast<long long>(clamped));
    } else {
        cformat += conv;
        std::snprintf(buffer, sizeof buffer, cformat.constData(), value);
    }
    return QString::fromLatin1(buffer);
}

QString formatText(const Placeholder &placeholder, const QVariant &value)
{
    QString text = isNumber(value) ? QString::number(value.toDouble()) : value.toString();
    if (placeholder.width > text.size()) {
        const QString pad(placeholder.width - text.size(), QLatin1Char(' '));
        text = placeholder.flags.contains(QLatin1Char('-')) ? text + pad : pad + text;
    }
    return text;
}

} // namespace

QString checkedFormat(const QString &format, const std::vector<QVariant> &arguments)
{
    QString out;
    out.reserve(format.size() + 16);
    size_t next = 0;
    const int n = format.size();
    int i = 0;
    while (i < n) {
        const QChar c = format[i];
        if (c != QLatin1Char('%')) {
            out.append(c);
            ++i;
            continue;
        }
        if (i + 1 < n && format[i + 1] == QLatin1Char('%')) {
            out.append(QLatin1Char('%'));
            i += 2;
            continue;
        }
        Placeholder placeholder;
        const int end = parsePlaceholder(format, i + 1, placeholder);
        if (end < 0) {
            out.append(c);
            ++i;
            continue;
        }
        const size_t index = placeholder.position > 0 ? size_t(placeholder.position - 1) : next;
        const bool wantsText = placeholder.conversion == QLatin1Char('@') || placeholder.conversion == QLatin1Char('s');
        bool used = false;
        if (index < arguments.size()) {
            const QVariant &arg = arguments[index];
            if (wantsText) {
                out.append(formatText(placeholder, arg));
                used = true;
            } else if (isNumber(arg)) {
                out.append(formatNumber(placeholder, arg.toDouble()));
                used = true;
            }
        }
        if (used) {
            if (placeholder.position == 0)
                ++next;
        } else {
            out.append(format.mid(i, end - i));
        }
        i = end;
    }
    return out;
}

} // namespace Skylarn
