# src/settings: the settings record over the registry, its dialogs and the default list.
corvinet_layer(settings
    CORE DefaultAccessList.cpp
    WIN32 DialerSettings.cpp LocationDialog.cpp RegistryKey.cpp SettingsDialog.cpp
    USES framework
    LIBS corvinet_resource_ids advapi32)
