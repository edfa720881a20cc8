#include "device/device_link.h"

namespace kemlog::device {

int DeviceLink::ReadByte() {
  uint8_t byte = 0;
  return Read(&byte, 1) == 1 ? byte : -1;
}

int DeviceLink::Read(uint8_t* buffer, size_t size) {
  if (!port_) return -1;
  return port_->Read(buffer, size);
}

void DeviceLink::Write(std::string_view bytes) {
  Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void DeviceLink::Write(const uint8_t* data, size_t size) {
  if (port_) port_->Write(data, size);
}

void DeviceLink::Purge() {
  if (port_) port_->Purge();
}

}  // namespace kemlog::device
