#include "output_device.h"

const char* deviceErrorText(DeviceError error) {
    switch (error) {
        case DeviceError::BadDeviceId:
            return "Error: Specified device identifier is out of range.";
        case DeviceError::Allocated:
            return "Error: Specified resource is already allocated.";
        case DeviceError::NoDriver:
            return "Error: No device driver is present.";
        case DeviceError::NoMemory:
            return "Error: Unable to allocate or lock memory.";
        case DeviceError::BadFormat:
            return "Error: Attempted to open with an unsupported waveform-audio format.";
        case DeviceError::Synchronous:
            return "Error: The device is synchronous.";
        case DeviceError::Unknown:
            break;
    }
    return "Error: Unknown audio system error.";
}
