#pragma once
// Whether brltty, a braille display daemon, is set to take USB serial adapters. Some
// braille displays are built on the common USB serial chips, so brltty's udev rules
// claim every adapter with those chips: moments after the adapter is plugged in, brltty
// takes it and its device node goes away.

#include <string>

// True when a line of the rules text (comments aside) matches a USB device of a maker of
// USB serial chips, by ENV{PRODUCT}=="vvvv/pppp/..." or ATTRS{idVendor}=="vvvv".
bool RulesClaimUsbSerial(const std::string& rules);

// True when brltty's rules files under root (ending in '/') claim USB serial adapters:
// the files named *brltty*.rules in the folders udev reads, where one in etc/udev/rules.d
// or run/udev/rules.d takes the place of a file of the same name in usr/lib/ or lib/
// (a link to /dev/null there switches the rules off).
bool BrlttyClaimsUsbSerial(const std::string& root);
