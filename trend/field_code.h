#ifndef FIELD_CODE_H
#define FIELD_CODE_H

#include <QByteArray>
#include <QStringView>
#include <QtGlobal>

// A numeric field as the instrument sends it ("1486.512", "-2.5", "1487") kept as an integer and
// its count of decimals, 5 bytes instead of a string. Only texts that come back the same way are
// taken: no sign "+", no leading zero before other digits, no bare ".", at most 7 decimals, and
// not "-0": anything else stays text.
struct decimal_field {
    qint32 mantissa = 0;
    int decimals = 0; // 0: no decimal point
};

constexpr int max_field_decimals = 7;

// The field, if its text is one that decimal_text gives back exactly.
bool parse_decimal(QStringView text, decimal_field &field);

// Appends the field's text, as it came, to out (ASCII).
void append_decimal(QByteArray &out, decimal_field field);

// The field's value, correctly rounded (the same double as the text's toDouble).
double decimal_value(decimal_field field);

#endif
