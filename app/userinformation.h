#pragma once
// The user information listed in ComboBox1: how to run an experiment.

#include <QStringList>

namespace zarudiv {

QStringList userInformationLines();

}  // namespace zarudiv
