#include "userdata/AnimationMapping.h"

#include "foundation/HorizontalWhitespace.h"

bool AnimationMapping::isEmpty() const
{
    return chatter.isEmpty() && HorizontalWhitespace::isBlank(name);
}
