#pragma once

#include "llm/ToolRegistry.h"

#include <QString>

class AlertPresenter;
class AudioInput;
class Clock;
class FileRevealer;
class GlobalHotKey;
class KeyStore;
class LoginItem;
class MemoryTrimmer;
class PetLibrary;
class RandomSource;
class SettingsStore;
class WindowSystem;

// The services the coordinator is built from. The program fills it with the desktop's real
// implementations; tests fill it with fakes. Nothing here is owned.
struct AppEnvironment {
    SettingsStore *settings = nullptr;
    KeyStore *keyStore = nullptr;
    AlertPresenter *alerts = nullptr;
    Clock *clock = nullptr;
    RandomSource *random = nullptr;
    PetLibrary *library = nullptr;
    FileRevealer *fileRevealer = nullptr;
    WindowSystem *windowSystem = nullptr;
    // The autostart entry behind "Launch at login"; without it the switch is off and disabled.
    LoginItem *loginItem = nullptr;
    // Keys pressed anywhere on the desktop; without it the program has no hot key.
    GlobalHotKey *hotKeys = nullptr;
    // The microphone for spoken questions; without it only typed questions work.
    AudioInput *audioInput = nullptr;
    // What the agent's tools reach on the desktop: screenshots, applications, the clipboard, links.
    ToolRegistry::Platform toolPlatform;
    // Gives back what decoding an atlas left in the allocator; without it that memory stays.
    MemoryTrimmer *memoryTrimmer = nullptr;
    // Where notes are kept; empty for the standard place.
    QString notesFilePath;
    // Log how long the first frame took to reach the screen (benchmarks).
    bool reportFirstFrame = false;
};
