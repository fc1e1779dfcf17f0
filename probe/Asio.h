// The one way into Boost.Asio for Quorvex's code.
//
// Boost 1.74's Asio headers use std::exchange without including <utility>, which g++ 12 in
// C++20 mode rejects; including it first here keeps every other file free of the workaround.
#pragma once

// clang-format off
#include <utility>
#include <boost/asio.hpp>
// clang-format on
