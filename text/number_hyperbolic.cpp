// The inverse hyperbolic functions by their closed forms.
#include <cmath>

#include "KavroStd/text.h"

double CStringOpr::asinh(double x) { return std::log(std::sqrt(x * x + 1) + x); }

double CStringOpr::acosh(double x) { return std::log(std::sqrt(x * x - 1) + x); }

double CStringOpr::atanh(double x) { return 0.5 * std::log((x + 1) / (1 - x)); }
