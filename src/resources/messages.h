// The program's message texts. Sources are UTF-8; the compiler stores them in
// code page 932, as the program shows them.
#pragma once

// Settings file.
#define MSG_SETTINGS_BROKEN "設定ファイルが壊れているか、または見つかりません。"

// Directories.
#define MSG_FOLDER_CREATE_FAILED " のフォルダ作成に失敗しました。"
#define MSG_FILE_IN_THE_WAY " - 同じ名前のファイルが既に存在するのでフォルダが作成できません。"

// A path that does not fit the platform's 260 bytes.
#define MSG_PATH_TOO_LONG " - パス名が長すぎるため処理できません。"

// Wizard: destination page.
#define MSG_CHOOSE_DESTINATION "のインストール先を指定してください"
#define MSG_SHEET_CAPTION "のインストール"
#define MSG_ROOT_REFUSED "ルートディレクトリにはインストールできません。"
#define MSG_DRIVE_REQUIRED "「C:\\Soft」のように、ドライブ名も含めた正しいパス名を指定してください。"
#define MSG_LOW_SPACE "指定されたドライブの残り容量が %uメガバイトしかありません。かまわずにインストールしますか？"
#define MSG_DESTINATION_TOO_LONG "インストール先のパス名が長すぎます。短いパス名を指定してください。"
#define MSG_BAD_CHARACTERS "フォルダ名に使えない文字（* ? \" < > | など）が含まれています。"
#define MSG_SYSTEM_FOLDER_REFUSED "システムのフォルダにはインストールできません。別のフォルダを指定してください。"

// Installation run.
#define MSG_IN_USE " は他で使用中のため上書きできません。"
#define MSG_COPY_FAILED " のコピーに失敗しました。"
#define MSG_INSTALL_DONE "インストールが完了しました。「完了」を押すと起動します。"
// The page's status line holds one line: the error ending is as short as the normal one.
#define MSG_INSTALL_DONE_WITH_ERRORS "エラーがありました。表示されたファイル等は入っていません。"
#define MSG_OUTSIDE_INSTALL_DIR " - インストール先のフォルダの外を指しているため処理できません。"
#define MSG_REGISTRATION_FAILED " - アンインストール情報を登録できませんでした。"

// Shortcuts and Program Manager.
#define MSG_REMOVAL_SUFFIX "の削除"
#define MSG_SHORTCUT_FAILED " - ショートカットを作成できませんでした。"
#define MSG_QUOTE_REFUSED " - 引用符 (\") を含むため登録できません。"
#define PROGMAN_STARTUP_GROUP "スタートアップ"

// Uninstall.
#define MSG_REMOVE_QUESTION "を削除します。"
#define MSG_QUIT_RESIDENT "まだ常駐している場合は、今すぐ終了させてからOKボタンを押してください。"
#define MSG_NOT_INSTALLED_COPY "このプログラムはインストールされたものではありません。アンインストールはコントロールパネルの「アプリケーションの追加と削除」から行ってください。"
#define MSG_HANDOFF_FAILED "アンインストール用プログラムの起動に失敗しました。手動で削除してください。"
#define MSG_REMOVED_OK "は正常に削除されました。"
#define MSG_FILES_REMAIN " にはまだファイルが残っています。後で削除してください。"
#define MSG_REG_SECTION_WRONG "Regセクションがおかしいです。"
#define MSG_MAIN_DELETE_FAILED " の削除に失敗しました。"
#define MSG_QUIT_AND_RETRY "を終了して、もう一度アンインストールをやり直してください。"
#define MSG_DELETE_SKIPPED "の削除に失敗しました。このファイルをスキップして処理を続行します。"
#define MSG_MAY_DELETE " - このファイルを削除してもいいですか？"
#define MSG_DIRECTORY_NOT_REMOVED " - ディレクトリの削除に失敗しました"
