#pragma once

#include <QString>

// The line lead's PIN as the recipe keeps it: never the digits themselves,
// only "<salt>:<key>", both hexadecimal, the key derived from the salt and the
// PIN by PBKDF2 (SHA-256), so that reading the file tells nobody the PIN.
class LeadPin {
public:
    // A fresh salt each time: the same PIN never gives the same text twice.
    static QString stored(const QString& pin);
    // False also for text that is no stored PIN at all.
    static bool matches(const QString& stored, const QString& pin);

private:
    static QByteArray key(const QString& pin, const QByteArray& salt);
};
