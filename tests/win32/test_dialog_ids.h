// The test-only dialog that hosts the controls under test.
#pragma once

#define IDD_CONTROLS_TEST 900
#define IDC_TEST_EDIT 901
#define IDC_TEST_PAN 902
