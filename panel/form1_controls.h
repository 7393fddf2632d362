#pragma once
// The controls that the window's handlers use, looked up once by name and index in the
// built form, so that an exchange reaches them without building names ten times a second.

#include "form_builder.h"

#include <array>

class QLabel;
class QPushButton;
class QRadioButton;

namespace panel {

struct Form1Controls {
    std::array<QLabel*, 8> led_out{};
    std::array<QLabel*, 8> led_ingresso{};
    std::array<QPushButton*, 8> onoff{};
    std::array<QRadioButton*, 4> quale_porta{};
    std::array<platform::HostedControl*, 2> v_meter1{};
    QLabel* picLedOn = nullptr;
    QLabel* picLedOff = nullptr;
    QPushButton* esci = nullptr;
};

Form1Controls findControls(const BuiltForm& form);

// The member `index` of an array of controls, nullptr outside it.
template <typename T, std::size_t N>
T* member(const std::array<T*, N>& array, int index)
{
    return index >= 0 && static_cast<std::size_t>(index) < N ? array[static_cast<std::size_t>(index)] : nullptr;
}

} // namespace panel
