// Placeholder until the configuration store lands.
#include "frontend/config.h"
Config config;
std::string defaultConfigPath() { return ""; }
void loadConfig(const std::string&) {}
bool saveConfig(const std::string&) { return false; }
