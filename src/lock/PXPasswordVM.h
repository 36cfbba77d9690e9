#pragma once

#include "PXBaseVM.h"

#include <QString>

class UserDefaults;

// The gesture password: the pad's digit string as drawn, kept in the user
// defaults under key(). Every change is written through to disk at once.
class PXPasswordVM : public PXBaseVM
{
public:
    static inline const QString gestureIdKey = QStringLiteral("gestureId");

    static PXPasswordVM *sharedPasswordVM();

    // The shared store lives in the standard defaults; tests pass their own.
    explicit PXPasswordVM(UserDefaults &defaults, const QString &key = gestureIdKey);

    QString key() const { return m_key; }

    // Stores first when the two drawings are equal; false (nothing stored)
    // when they differ.
    bool setPassword(const QString &first, const QString &second);
    // False when nothing is stored.
    bool verifyPassword(const QString &password) const;
    void clearPassword();
    bool isExist() const;

private:
    UserDefaults &m_defaults;
    QString m_key;
};
