#include "updater/services/ServerValues.h"

#include <QVariant>

#include <cmath>

quint64 sizeFromServer(const QVariant& value)
{
    // Read as a number, not through its text: a round number such as
    // 1500000000 has the shortest text "1.5e+09", which is no decimal integer.
    if (value.userType() == QMetaType::Double) {
        const double number = value.toDouble();
        if (!std::isfinite(number) || number < 0.0 || number >= 9223372036854775808.0)
            return 0;
        return static_cast<quint64>(number);
    }
    const qlonglong number = value.toLongLong();
    return number < 0 ? 0 : static_cast<quint64>(number);
}
