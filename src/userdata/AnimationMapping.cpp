#include "userdata/AnimationMapping.h"

#include "foundation/TextTrim.h"

bool AnimationMapping::isEmpty() const
{
    return chatter.isEmpty() && TextTrim::isBlank(name);
}
