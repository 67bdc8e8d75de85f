#pragma once

#include <QString>

namespace testsupport {}
