// The prompt's old header name, kept only while startup/input.h still
// includes it; that include becomes "password/password_prompt.h" and this
// file goes.
#pragma once

#include "password/password_prompt.h"
