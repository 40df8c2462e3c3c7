#include "app/ModelGuard.h"

#include "app/Log.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"

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
