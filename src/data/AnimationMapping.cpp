#include "data/AnimationMapping.h"

#include "data/HorizontalWhitespace.h"

bool AnimationMapping::isEmpty() const
{
    return chatter.isEmpty() && HorizontalWhitespace::isBlank(name);
}
