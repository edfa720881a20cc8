#include "settings/main_services.h"

#include "device/messages.h"

namespace kemlog::settings {

void ShowConnectionPopup(MainServices& services) {
  services.popupMessage.Set(device::kConnectionMessage);
  services.popup.DoModal(services.mainWindow);
}

}  // namespace kemlog::settings
