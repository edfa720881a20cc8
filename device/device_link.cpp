#include "device/device_link.h"

namespace kemlog::device {

int PortHandle::Read(uint8_t* buffer, size_t size) {
  std::lock_guard lock(mutex_);
  return port_ ? port_->Read(buffer, size) : -1;
}

int PortHandle::Write(const uint8_t* data, size_t size) {
  std::lock_guard lock(mutex_);
  return port_ ? port_->Write(data, size) : -1;
}

void PortHandle::Purge() {
  std::lock_guard lock(mutex_);
  if (port_) port_->Purge();
}

void PortHandle::DiscardInput() {
  std::lock_guard lock(mutex_);
  if (port_) port_->DiscardInput();
}

bool PortHandle::Close() {
  std::lock_guard lock(mutex_);
  if (!port_) return false;
  port_->DiscardInput();
  port_.reset();
  return true;
}

bool PortHandle::IsOpen() const {
  std::lock_guard lock(mutex_);
  return port_ != nullptr;
}

DeviceLink::DeviceLink(platform::SerialPort* port, platform::Clock& clock)
    : port_(port ? std::make_shared<PortHandle>(std::shared_ptr<platform::SerialPort>(port, [](platform::SerialPort*) {}))
                 : nullptr),
      clock_(clock) {}

int DeviceLink::ReadByte() {
  uint8_t byte = 0;
  return Read(&byte, 1) == 1 ? byte : -1;
}

int DeviceLink::Read(uint8_t* buffer, size_t size) { return port_ ? port_->Read(buffer, size) : -1; }

int DeviceLink::Write(std::string_view bytes) {
  return Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

int DeviceLink::Write(const uint8_t* data, size_t size) { return port_ ? port_->Write(data, size) : -1; }

void DeviceLink::Purge() {
  if (port_) port_->Purge();
}

void DeviceLink::DiscardInput() {
  if (port_) port_->DiscardInput();
}

bool DeviceLink::Close() { return port_ && port_->Close(); }

}  // namespace kemlog::device
