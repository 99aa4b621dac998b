// Reading what the operator typed into the setup dialogs' fields.
//
// Programming an item or applying the settings reads every field before it
// changes anything: the first field that does not hold what it must is named
// in a message with its text, gets the focus, and nothing is programmed or
// applied, so that a typing slip never leaves half an item on the board.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <string>

class QLineEdit;

namespace qmxsrv {

class MessageBoxes;

// A typed number: the whole text, blanks around it allowed, must be one
// number (the rules of the stored files' number lines: point or comma,
// exponent, "&H"); the value must be a finite 32-bit float.
std::optional<float> typedFloat(const QString &text);
// A typed number taken to the nearest integer (halves to even), in 16 bits.
std::optional<std::int16_t> typedInteger(const QString &text);
// Hexadecimal digits only (blanks around allowed), 0 to FFFF, kept as the
// 16-bit pattern the settings hold (FFFF is -1).
std::optional<std::int16_t> typedHex(const QString &text);

// Reads the fields of one programming or apply step. Each field is named by
// its accessible name (its label without the access key). After the first
// refusal nothing more is read and ok() is false.
class FieldReader {
public:
    // consequence: the message's last line ("Nothing has been programmed.").
    FieldReader(MessageBoxes &boxes, std::string consequence);

    float number(QLineEdit *field);
    std::int16_t integer(QLineEdit *field, std::int16_t low, std::int16_t high);
    std::int16_t hexadecimal(QLineEdit *field);
    // The number the text starts with, read leniently (no number reads as 0),
    // times factor and taken to the nearest integer: refused only when the
    // result is outside 0 to 32767, what both the 16-bit setting and the
    // board's unsigned word hold alike (-2 samples would reach the board as
    // 65534).
    std::int16_t leading(QLineEdit *field, double factor = 1);
    // The text with the blanks around it removed; refused when that is empty.
    std::string name(QLineEdit *field);

    bool ok() const { return failed_ == nullptr; }
    QLineEdit *failedField() const { return failed_; }

private:
    void refuse(QLineEdit *field, const std::string &fault);

    MessageBoxes &boxes_;
    std::string consequence_;
    QLineEdit *failed_ = nullptr;
};

} // namespace qmxsrv
