#pragma once
// The image test program replaces operator new so that a test can make one
// allocation fail. Unarmed it only passes through to malloc.

namespace injected_alloc {

// Lets failAt allocations through and makes the next one fail (std::bad_alloc,
// or null for the nothrow forms); counts the allocations made while armed.
void Arm(long failAt);
// Ends the injection; true when the injected failure happened.
bool Disarm();
// Allocations made while armed and not yet freed.
long Live();

}  // namespace injected_alloc
