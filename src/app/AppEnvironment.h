#pragma once

class AlertPresenter;
class Clock;
class KeyStore;
class RandomSource;
class SettingsStore;

// The services the coordinator is built from. The program fills it with the desktop's real
// implementations; tests fill it with fakes. Nothing here is owned.
struct AppEnvironment {
    SettingsStore *settings = nullptr;
    KeyStore *keyStore = nullptr;
    AlertPresenter *alerts = nullptr;
    Clock *clock = nullptr;
    RandomSource *random = nullptr;
};
