#pragma once

#include <QHashFunctions>
#include <QString>
#include <QStringList>

// The user's name for one atlas row of a pet and the lines the pet may say while or after playing it.
struct AnimationMapping {
    QString name;
    QStringList chatter;

    // Nothing worth keeping: a name of only horizontal white space and no chatter at all.
    bool isEmpty() const;

    friend bool operator==(const AnimationMapping &, const AnimationMapping &) = default;
};

inline size_t qHash(const AnimationMapping &mapping, size_t seed = 0)
{
    return qHashMulti(seed, mapping.name, mapping.chatter);
}
