// The test-only dialog of the framework tests.
#pragma once

#define IDD_FRAMEWORK_TEST 900
#define IDC_TEST_FIRST_EDIT 901
#define IDC_TEST_SECOND_EDIT 902
#define IDC_TEST_LIST 903
#define IDC_TEST_COMBO 904
#define IDC_TEST_SLIDER 905
#define IDC_TEST_OTHER_SLIDER 906
#define IDC_TEST_CHECK 907
#define IDC_TEST_SWATCH 908
#define IDC_TEST_PREVIEW 909
#define IDC_TEST_PAN 910
