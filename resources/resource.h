// Resource ids of the plug-in: string table 2001-2288, dialogs 110-180 and their controls,
// icons 501-503, bitmaps 510-511. Plain #defines: read by the resource compiler, by
// tools/rc2cpp.py and by the C++ code.
#pragma once

// ---- dialog templates -----------------------------------------------------------------------
#define IDD_GENERAL 110            // settings sheet: general page
#define IDD_WHITELIST 120          // settings sheet: white-list page
#define IDD_ACKNOWLEDGEMENTS 130   // settings sheet: acknowledgements page
#define IDD_BROWSE_FOLDER 140      // host-folder browser
#define IDD_PROGRESS 150           // progress of the batch commands
#define IDD_OTHER_SETTINGS 160     // settings sheet: other-settings page
#define IDD_NGWORD 170             // settings sheet: NG-word page
#define IDD_OKWORD 180             // settings sheet: OK-word page

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// ---- controls of the general page (110) ------------------------------------------------------
#define IDC_DONT_CHECK_DB_ON_START 1101
#define IDC_DISABLE_BEFORE_MSGBOX 1102
#define IDC_DISABLE_RESULT_MSGBOX 1103
#define IDC_GO_FOLDER_SAME_RELATIVE 1104
#define IDC_SET_READ_TO_SPAM 1105
#define IDC_ADD_TO_WHITELIST_ON_SEND 1106
#define IDC_DONT_REMOVE_SPAM_HEADER 1107
#define IDC_REMOVE_SPAM_FROM_WHITELIST 1108
#define IDC_GO_TRASH 1111             // spam action radio buttons, first of the group
#define IDC_NO_MOVE 1112
#define IDC_GO_FOLDER 1113
#define IDC_ADD_HEADER 1114
#define IDC_SELECT_FOLDER 1121
#define IDC_EDIT_CONFIG 1122
#define IDC_BACKUP_DB 1123
#define IDC_RESTORE_DB 1124
#define IDC_SPAM_FOLDER 1131          // read-only: display name of the spam folder
#define IDC_HEADER_NAME 1132
#define IDC_HEADER_BODY 1133
#define IDC_CONFIG_PATH 1134          // read-only: path of bsfilter.conf
#define IDC_BSFILTER_NOTE 1135        // read-only multi-line note (IDS_BSFILTER_NOTE)

// ---- controls of the white-list page (120) ---------------------------------------------------
#define IDC_WL_LIST 1201
#define IDC_WL_ADDRESS 1211
#define IDC_WL_NOTE 1212
#define IDC_WL_ADD 1221
#define IDC_WL_UPDATE 1222
#define IDC_WL_DELETE 1223
#define IDC_WL_IMPORT 1224
#define IDC_WL_EXPORT 1225

// ---- controls of the acknowledgements page (130) ---------------------------------------------
#define IDC_ACK_TEXT 1301             // read-only multi-line edit (IDS_ACKNOWLEDGEMENTS)

// ---- controls of the host-folder browser (140); OK and Cancel are IDOK and IDCANCEL ----------
#define IDC_BROWSE_PROMPT 1401
#define IDC_BROWSE_TREE 1402

// ---- controls of the progress dialog (150); Cancel is IDCANCEL --------------------------------
#define IDC_PROGRESS_BAR 1501
#define IDC_PROGRESS_STATUS 1502

// ---- controls of the other-settings page (160) -----------------------------------------------
#define IDC_MENU_TOP 1601             // menu placement radio buttons, first of the group
#define IDC_MENU_BOTTOM 1602
#define IDC_MENU_POSITION 1603
#define IDC_UPPER_SEPARATOR 1604
#define IDC_LOWER_SEPARATOR 1605
#define IDC_MENU_POSITION_EDIT 1606
#define IDC_MENU_POSITION_SPIN 1607   // up-down control, buddy IDC_MENU_POSITION_EDIT
#define IDC_USE_SCRIPT 1608
#define IDC_RUBY_BROWSE 1609
#define IDC_RUBY_PATH 1610
#define IDC_BATCH_LEARNING 1624

// ---- controls of the NG-word page (170) ------------------------------------------------------
#define IDC_NG_LIST 1251
#define IDC_NG_WORD 1252
#define IDC_NG_ADD 1253
#define IDC_NG_UPDATE 1254
#define IDC_NG_DELETE 1255
#define IDC_NG_IMPORT 1256
#define IDC_NG_EXPORT 1257
#define IDC_NG_TEST 1258
#define IDC_NG_TEST_TEXT 1259
#define IDC_NG_BOTH 1611              // target radio buttons, first of the group
#define IDC_NG_SUBJECT 1612
#define IDC_NG_SENDER 1613
#define IDC_USE_NGWORD 1615
#define IDC_NG_REGEX 1616
#define IDC_NG_CASE 1617

// ---- controls of the OK-word page (180) ------------------------------------------------------
#define IDC_OK_LIST 1271
#define IDC_OK_WORD 1272
#define IDC_OK_ADD 1273
#define IDC_OK_UPDATE 1274
#define IDC_OK_DELETE 1275
#define IDC_OK_IMPORT 1276
#define IDC_OK_EXPORT 1277
#define IDC_OK_TEST 1278
#define IDC_OK_TEST_TEXT 1279
#define IDC_OK_BOTH 1618              // target radio buttons, first of the group
#define IDC_OK_SUBJECT 1619
#define IDC_OK_SENDER 1620
#define IDC_USE_OKWORD 1621
#define IDC_OK_REGEX 1622
#define IDC_OK_CASE 1623

// ---- icons and bitmaps -----------------------------------------------------------------------
#define IDI_FOLDER 501                // folder of the host-folder tree
#define IDI_MAIL_ADDRESS 502          // white-list entry that is a mail address
#define IDI_DOMAIN 503                // white-list entry that is a domain
#define IDB_SORT_ASCENDING 510        // list-header sort marks for common controls before 6
#define IDB_SORT_DESCENDING 511

// ---- strings: the context menu ---------------------------------------------------------------
#define IDS_MENU_TITLE 2001
#define IDS_MENU_TREAT_AS_SPAM 2002
#define IDS_MENU_JUDGE_AND_ACT 2003
#define IDS_MENU_JUDGE_ONE 2004
#define IDS_MENU_LEARN_ADD_SPAM 2005
#define IDS_MENU_LEARN_ADD_CLEAN 2006
#define IDS_MENU_LEARN_SUB_SPAM 2007
#define IDS_MENU_LEARN_SUB_CLEAN 2008
#define IDS_MENU_UPDATE_DB 2009
#define IDS_MENU_SHOW_DB_STATUS 2010
#define IDS_MENU_REMOVE_SPAM_HEADER 2011
#define IDS_MENU_ADD_SENDER 2012
#define IDS_MENU_ADD_SENDER_DOMAIN 2013
#define IDS_MENU_REMOVE_SENDER 2014
#define IDS_MENU_REMOVE_SENDER_DOMAIN 2015
#define IDS_MENU_NG_SENDER 2016
#define IDS_MENU_NG_SUBJECT 2017
#define IDS_MENU_OK_SENDER 2018
#define IDS_MENU_OK_SUBJECT 2019
#define IDS_LEARN_UPDATE_FAILED 2020      // %d = messages trained, %s = bsfilter option
#define IDS_PREVIOUS_TABLE_IN_USE 2021    // appended to an update failure: the copy was put back
#define IDS_PREVIOUS_TABLE_LOST 2022      // appended instead when it could not be: %s = the copy's folder
#define IDS_TABLE_NOT_COPIED 2023         // appended instead when no copy could be made: nothing was run
#define IDS_LEARN_NOT_TRAINED 2024        // appended to a training result: %d = messages not trained

// ---- strings: training and database commands -------------------------------------------------
#define IDS_LEARN_CONFIRM 2101        // %s = bsfilter option
#define IDS_LEARN_TITLE 2102          // %s = bsfilter option
#define IDS_LEARN_RESULT 2103         // %d = messages trained, %s = bsfilter option
#define IDS_LEARN_CAPTION 2104
#define IDS_LEARN_FAILED 2105
#define IDS_UPDATE_DB_DONE 2106
#define IDS_UPDATE_DB_CAPTION 2107
#define IDS_UPDATE_DB_FAILED 2108
#define IDS_DB_STATUS_DONE 2109
#define IDS_DB_STATUS_CAPTION 2110
#define IDS_DB_STATUS_FAILED 2111
#define IDS_BSFILTER_UNAVAILABLE 2136
#define IDS_BSFILTER_UNAVAILABLE_CAPTION 2137

// ---- strings: judge-and-act commands ---------------------------------------------------------
#define IDS_TREAT_SPAM_CONFIRM 2112
#define IDS_TREAT_SPAM_TITLE 2113
#define IDS_TREAT_SPAM_CAPTION 2114
#define IDS_TREAT_SPAM_RESULT 2117    // %d selected, %d trained
#define IDS_JUDGE_CONFIRM 2122
#define IDS_JUDGE_TITLE 2123
#define IDS_JUDGE_RESULT 2126         // %d selected, %d spam
#define IDS_JUDGE_CAPTION 2127
#define IDS_JUDGE_ONE_SPAM 2128
#define IDS_JUDGE_ONE_CLEAN 2129
#define IDS_JUDGE_ONE_FAILED 2130
#define IDS_JUDGE_ONE_CAPTION 2131

// ---- strings: spam-header removal and list commands (confirmation, title, result, caption) ---
#define IDS_REMOVE_HEADER_CONFIRM 2118
#define IDS_REMOVE_HEADER_TITLE 2119
#define IDS_REMOVE_HEADER_RESULT 2120 // %d selected, %d changed
#define IDS_REMOVE_HEADER_CAPTION 2121
#define IDS_ADD_SENDER_CONFIRM 2132
#define IDS_ADD_SENDER_TITLE 2133
#define IDS_ADD_SENDER_RESULT 2134
#define IDS_ADD_SENDER_CAPTION 2135
#define IDS_ADD_DOMAIN_CONFIRM 2138
#define IDS_ADD_DOMAIN_TITLE 2139
#define IDS_ADD_DOMAIN_RESULT 2140
#define IDS_ADD_DOMAIN_CAPTION 2141
#define IDS_REMOVE_SENDER_CONFIRM 2142
#define IDS_REMOVE_SENDER_TITLE 2143
#define IDS_REMOVE_SENDER_RESULT 2144
#define IDS_REMOVE_SENDER_CAPTION 2145
#define IDS_REMOVE_DOMAIN_CONFIRM 2146
#define IDS_REMOVE_DOMAIN_TITLE 2147
#define IDS_REMOVE_DOMAIN_RESULT 2148
#define IDS_REMOVE_DOMAIN_CAPTION 2149
#define IDS_NG_SENDER_CONFIRM 2150
#define IDS_NG_SENDER_TITLE 2151
#define IDS_NG_SENDER_RESULT 2152
#define IDS_NG_SENDER_CAPTION 2153
#define IDS_NG_SUBJECT_CONFIRM 2154
#define IDS_NG_SUBJECT_TITLE 2155
#define IDS_NG_SUBJECT_RESULT 2156
#define IDS_NG_SUBJECT_CAPTION 2157
#define IDS_OK_SENDER_CONFIRM 2158
#define IDS_OK_SENDER_TITLE 2159
#define IDS_OK_SENDER_RESULT 2160
#define IDS_OK_SENDER_CAPTION 2161
#define IDS_OK_SUBJECT_CONFIRM 2162
#define IDS_OK_SUBJECT_TITLE 2163
#define IDS_OK_SUBJECT_RESULT 2164
#define IDS_OK_SUBJECT_CAPTION 2165

// ---- strings: the settings sheet and the general page ----------------------------------------
#define IDS_SHEET_CAPTION 2201        // %s = product version
#define IDS_BSFILTER_NOTE 2202
#define IDS_SPAM_FOLDER_PROMPT 2203
#define IDS_FOLDER_NOT_FOUND 2204
#define IDS_SELECT_A_FOLDER 2205
#define IDS_FOLDER_NAME_NOT_FOUND 2206
#define IDS_NEED_SPAM_FOLDER 2211
#define IDS_NEED_HEADER_NAME 2212
#define IDS_HEADER_NAME_CHARS 2213
#define IDS_HEADER_NAME_LENGTH 2214   // %d = longest name
#define IDS_NEED_HEADER_BODY 2215
#define IDS_HEADER_BODY_CHARS 2216
#define IDS_HEADER_BODY_LENGTH 2217   // %d = longest body
#define IDS_ACKNOWLEDGEMENTS 2229

// ---- strings: database backup and restore ----------------------------------------------------
#define IDS_BACKUP_TITLE 2207
#define IDS_BACKUP_FILTER 2208        // "|" separates the filter parts
#define IDS_BACKUP_EXT 2209
#define IDS_BACKUP_FAILED 2210
#define IDS_RESTORE_FILTER 2233
#define IDS_RESTORE_TITLE 2234
#define IDS_RESTORE_EXT 2235
#define IDS_RESTORE_FAILED 2236
#define IDS_BACKUP_DONE 2237          // %s = data folder
#define IDS_RESTORE_DONE 2238         // %s = data folder
#define IDS_RESTORE_SKIPPED 2040      // %lu = entries that are no database files

// ---- strings: the progress dialog ------------------------------------------------------------
#define IDS_PROGRESS_STATUS 2239      // %d current, %d total
#define IDS_PROGRESS_WINDING_DOWN 2240

// ---- strings: the other-settings page --------------------------------------------------------
#define IDS_RUBY_FILTER 2241
#define IDS_RUBY_TITLE 2242
#define IDS_RUBY_EXT 2243
#define IDS_RUBY_PATH_EMPTY 2244
#define IDS_RUBY_PATH_INVALID 2245

// ---- strings: the white-list page ------------------------------------------------------------
#define IDS_WL_COLUMN_ADDRESS 2218
#define IDS_WL_COLUMN_NOTE 2219
#define IDS_WL_EMPTY_ADDRESS 2220
#define IDS_WL_ALREADY_LISTED 2221
#define IDS_WL_NOT_LISTED 2222
#define IDS_WL_SELECT_TO_DELETE 2223
#define IDS_WL_IMPORT_FILTER 2224
#define IDS_WL_IMPORT_TITLE 2225
#define IDS_WL_EXPORT_FILTER 2226
#define IDS_WL_EXPORT_EXT 2227
#define IDS_WL_EXPORT_TITLE 2228
#define IDS_WL_COLUMN_TYPE 2230
#define IDS_WL_TYPE_MAIL 2231
#define IDS_WL_TYPE_DOMAIN 2232
#define IDS_WL_IMPORTED 2246
#define IDS_WL_EXPORTED 2247

// ---- strings: the NG-word page ---------------------------------------------------------------
#define IDS_NG_COLUMN_TARGET 2248
#define IDS_NG_COLUMN_WORD 2249
#define IDS_NG_EMPTY_WORD 2250
#define IDS_NG_ALREADY_LISTED 2251
#define IDS_NG_NOT_LISTED 2252
#define IDS_NG_SELECT_TO_DELETE 2253
#define IDS_NG_IMPORT_FILTER 2254
#define IDS_NG_IMPORT_TITLE 2255
#define IDS_NG_IMPORTED 2256
#define IDS_NG_EXPORT_FILTER 2257
#define IDS_NG_EXPORT_TITLE 2258
#define IDS_NG_EXPORT_EXT 2259
#define IDS_NG_EXPORTED 2260
#define IDS_NG_COLUMN_REGEX 2261
#define IDS_NG_COLUMN_CASE 2262
#define IDS_NG_MARK 2263
#define IDS_NG_MATCHED 2264
#define IDS_NG_NO_MATCH 2265
#define IDS_NG_PATTERN_ERROR 2266     // %s = error text of the regular expression

// ---- strings: the OK-word page ---------------------------------------------------------------
#define IDS_OK_COLUMN_TARGET 2267
#define IDS_OK_COLUMN_WORD 2268
#define IDS_OK_EMPTY_WORD 2269
#define IDS_OK_ALREADY_LISTED 2270
#define IDS_OK_NOT_LISTED 2271
#define IDS_OK_SELECT_TO_DELETE 2272
#define IDS_OK_IMPORT_FILTER 2273
#define IDS_OK_IMPORT_TITLE 2274
#define IDS_OK_IMPORTED 2275
#define IDS_OK_EXPORT_FILTER 2276
#define IDS_OK_EXPORT_TITLE 2277
#define IDS_OK_EXPORT_EXT 2278
#define IDS_OK_EXPORTED 2279
#define IDS_OK_COLUMN_REGEX 2280
#define IDS_OK_COLUMN_CASE 2281
#define IDS_OK_MARK 2282
#define IDS_OK_MATCHED 2283
#define IDS_OK_NO_MATCH 2284
#define IDS_OK_PATTERN_ERROR 2285     // %s = error text of the regular expression

// ---- strings: word targets, shared by both word pages ----------------------------------------
#define IDS_TARGET_BOTH 2286
#define IDS_TARGET_SUBJECT 2287
#define IDS_TARGET_SENDER 2288
