#include "services/ModelGuard.h"

#include "foundation/Log.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

namespace ModelGuard {
bool enforceToolCapableModel(SettingsStore &settings)
{
    const QString model = settings.value(SettingsKeys::groqModel);
    if (!model.toLower().contains(QLatin1String("compound")))
        return false;
    Log::line(QStringLiteral("Switching off ") + model + QStringLiteral(": it cannot call tools."));
    settings.setValue(SettingsKeys::groqModel, SettingsKeys::defaultGroqModel);
    return true;
}
}
