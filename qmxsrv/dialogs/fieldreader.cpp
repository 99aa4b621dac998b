#include "dialogs/fieldreader.h"

#include "core/messageboxes.h"
#include "core/numbertext.h"
#include "platform/qttext.h"

#include <QLineEdit>

#include <cmath>

namespace qmxsrv {

std::optional<float> typedFloat(const QString &text)
{
    const std::optional<float> value = readFileFloat(storedText(text));
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    return value;
}

std::optional<std::int16_t> typedInteger(const QString &text)
{
    const std::optional<float> value = typedFloat(text);
    if (!value)
        return std::nullopt;
    return toInt16(*value);
}

std::optional<std::int16_t> typedHex(const QString &text)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty())
        return std::nullopt;
    // Without the blanks a sign or a point cannot follow "&H" as a number.
    const std::optional<float> value = readFileFloat("&H" + storedText(digits));
    if (!value || *value > 0xFFFF)
        return std::nullopt;
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(*value));
}

FieldReader::FieldReader(MessageBoxes &boxes, std::string consequence)
    : boxes_(boxes), consequence_(std::move(consequence))
{
}

float FieldReader::number(QLineEdit *field)
{
    if (!ok())
        return 0;
    const std::optional<float> value = typedFloat(field->text());
    if (!value)
        refuse(field, "is not a number.");
    return value.value_or(0);
}

std::int16_t FieldReader::integer(QLineEdit *field, std::int16_t low, std::int16_t high)
{
    if (!ok())
        return 0;
    const std::optional<std::int16_t> value = typedInteger(field->text());
    if (!value || *value < low || *value > high)
        refuse(field, "is not a number from " + numberText(low) + " to " + numberText(high) + ".");
    return value.value_or(0);
}

std::int16_t FieldReader::hexadecimal(QLineEdit *field)
{
    if (!ok())
        return 0;
    const std::optional<std::int16_t> value = typedHex(field->text());
    if (!value)
        refuse(field, "is not a hexadecimal number from 0 to FFFF.");
    return value.value_or(0);
}

std::int16_t FieldReader::leading(QLineEdit *field, double factor)
{
    if (!ok())
        return 0;
    const std::optional<std::int16_t> value =
        toInt16(readNumber(storedText(field->text())) * factor);
    if (!value || *value < 0)
        refuse(field, "is not a number from 0 to " + numberText(32767 / factor) + ".");
    return value.value_or(0);
}

std::string FieldReader::name(QLineEdit *field)
{
    if (!ok())
        return {};
    const QString text = field->text().trimmed();
    if (text.isEmpty())
        refuse(field, "is empty.");
    return storedText(text);
}

void FieldReader::refuse(QLineEdit *field, const std::string &fault)
{
    failed_ = field;
    tell(boxes_,
         storedText(field->accessibleName()) + ": \"" + storedText(field->text()) + "\" " + fault +
             "\r" + consequence_,
         Icon::Exclamation);
    field->setFocus();
    field->selectAll();
}

} // namespace qmxsrv
