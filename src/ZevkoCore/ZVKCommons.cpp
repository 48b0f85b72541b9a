#include "ZevkoCore/ZVKCommons.h"

#include "platform/base/Device.h"
#include "platform/base/Localization.h"

#include <uuid/uuid.h>

std::string ZVKLocalString(std::string_view key) {
    return platform::Localization::localizedString(key);
}

std::string ZVKDeviceName() {
    return platform::Device::current().model();
}

std::string ZVKUUIDCreate() {
    uuid_t uuid;
    uuid_generate_random(uuid);
    char text[37];
    uuid_unparse_upper(uuid, text);
    return text;
}
