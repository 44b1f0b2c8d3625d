<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>AboutTab</name>
    <message>
        <source>Enable the GNOME Shell Extension…</source>
        <translation>Включить расширение GNOME Shell…</translation>
    </message>
    <message>
        <source>Enable Quillbox&apos;s GNOME Shell extension?</source>
        <translation>Включить расширение Quillbox для GNOME Shell?</translation>
    </message>
    <message>
        <source>Quillbox runs &quot;%1&quot;.</source>
        <translation>Quillbox выполнит команду «%1».</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>Включить</translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>On this desktop Quillbox knows only the application in front: a program that copies from the background cannot be told apart. Password managers&apos; own mark still keeps their copies out.</source>
        <translation>В этом окружении Quillbox видит только активное приложение: программу, которая копирует в фоне, распознать нельзя. Скопированное из менеджеров паролей по-прежнему не попадает в историю благодаря их собственной пометке.</translation>
    </message>
</context>
<context>
    <name>BackendChoice</name>
    <message>
        <source>Quillbox&apos;s GNOME Shell extension is installed but switched off. Enable it (&quot;%1&quot;, or Settings &gt; About) and restart Quillbox: GNOME Shell loads it at once, and Quillbox then works in every window.</source>
        <translation>Расширение Quillbox для GNOME Shell установлено, но выключено. Включите его («%1» или Настройки &gt; О программе) и перезапустите Quillbox: GNOME Shell загрузит его сразу, и Quillbox заработает во всех окнах.</translation>
    </message>
    <message>
        <source>Quillbox&apos;s GNOME Shell extension was installed during this session, so GNOME Shell loads it at your next login. Enable it (&quot;%1&quot;, or Settings &gt; About), then log out and back in, and Quillbox works in every window.</source>
        <translation>Расширение Quillbox для GNOME Shell установлено в этом сеансе, поэтому GNOME Shell загрузит его при следующем входе в систему. Включите его («%1» или Настройки &gt; О программе), затем выйдите из системы и войдите снова — и Quillbox заработает во всех окнах.</translation>
    </message>
    <message>
        <source>GNOME Shell could not run Quillbox&apos;s extension. Log out and back in; if it still fails, the extension does not fit this GNOME version (&quot;gnome-extensions info %1&quot; says why).</source>
        <translation>GNOME Shell не удалось запустить расширение Quillbox. Выйдите из системы и войдите снова; если ошибка повторится, расширение не подходит к этой версии GNOME (причину покажет «gnome-extensions info %1»).</translation>
    </message>
</context>
<context>
    <name>CategoryBar</name>
    <message>
        <source>Categories</source>
        <translation>Категории</translation>
    </message>
    <message>
        <source>← → navigate  |  Esc clear</source>
        <translation>← → выбор  |  Esc сброс</translation>
    </message>
</context>
<context>
    <name>CategoryChip</name>
    <message>
        <source>Clear category filter</source>
        <translation>Сбросить фильтр по категории</translation>
    </message>
</context>
<context>
    <name>CategoryForm</name>
    <message>
        <source>Category name</source>
        <translation>Название категории</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
</context>
<context>
    <name>CategoryManager</name>
    <message>
        <source>Categories</source>
        <translation>Категории</translation>
    </message>
    <message>
        <source>Restore Defaults</source>
        <translation>Восстановить стандартные</translation>
    </message>
    <message>
        <source>Add new category</source>
        <translation>Добавить категорию</translation>
    </message>
    <message>
        <source>New Category</source>
        <translation>Новая категория</translation>
    </message>
    <message>
        <source>Category name</source>
        <translation>Название категории</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Добавить</translation>
    </message>
    <message>
        <source>Edit Category</source>
        <translation>Изменить категорию</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Название</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Сохранить</translation>
    </message>
</context>
<context>
    <name>CategoryRow</name>
    <message>
        <source>Move up</source>
        <translation>Переместить вверх</translation>
    </message>
    <message>
        <source>Move down</source>
        <translation>Переместить вниз</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Стандартная</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Изменить</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Удалить</translation>
    </message>
</context>
<context>
    <name>CategorySearchBar</name>
    <message>
        <source>Filter...</source>
        <translation>Фильтр...</translation>
    </message>
</context>
<context>
    <name>ClipboardItemRow</name>
    <message>
        <source>now</source>
        <extracomment>Copied less than a minute ago; the row&apos;s corner is narrow</extracomment>
        <translation>сейчас</translation>
    </message>
    <message>
        <source>%1m</source>
        <extracomment>Minutes since the copy, as short as can be read</extracomment>
        <translation>%1 мин</translation>
    </message>
    <message>
        <source>%1h</source>
        <extracomment>Hours since the copy, as short as can be read</extracomment>
        <translation>%1 ч</translation>
    </message>
    <message>
        <source>%1d</source>
        <extracomment>Days since the copy, as short as can be read</extracomment>
        <translation>%1 д</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Текст</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Изображение</translation>
    </message>
    <message>
        <source>Url</source>
        <translation>Ссылка</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Файл</translation>
    </message>
    <message>
        <source>Richtext</source>
        <translation>Форматированный текст</translation>
    </message>
    <message>
        <source>%1 KB</source>
        <translation>%1 КБ</translation>
    </message>
</context>
<context>
    <name>CombineCard</name>
    <message numerus="yes">
        <source>Combine %n items</source>
        <translation>
            <numerusform>Объединить %n элемент</numerusform>
            <numerusform>Объединить %n элемента</numerusform>
            <numerusform>Объединить %n элементов</numerusform>
        </translation>
    </message>
    <message>
        <source>← → templates  |  ↩ Paste  |  Esc Cancel</source>
        <translation>← → шаблоны  |  ↩ Вставить  |  Esc Отмена</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Paste ↩</source>
        <translation>Вставить ↩</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Предпросмотр</translation>
    </message>
</context>
<context>
    <name>ConfirmDialog</name>
    <message>
        <source>Delete</source>
        <translation>Удалить</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
</context>
<context>
    <name>DesktopShortcutsView</name>
    <message>
        <source>Could not read GNOME&apos;s custom shortcuts: %1 failed</source>
        <translation>Не удалось прочитать пользовательские комбинации клавиш GNOME: ошибка %1</translation>
    </message>
    <message>
        <source>Could not add the shortcuts: %1 %2 failed</source>
        <translation>Не удалось добавить комбинации клавиш: ошибка «%1 %2»</translation>
    </message>
    <message>
        <source>Added to GNOME&apos;s custom shortcuts.</source>
        <translation>Добавлено в пользовательские комбинации клавиш GNOME.</translation>
    </message>
</context>
<context>
    <name>DiskFullNotice</name>
    <message>
        <source>Your history is not being saved: the disk is full</source>
        <translation>История не сохраняется: диск заполнен</translation>
    </message>
    <message>
        <source>Quillbox cannot save your history: the disk is full</source>
        <translation>Quillbox не может сохранить историю: диск заполнен</translation>
    </message>
    <message>
        <source>There is no space left on the disk that holds %1. What you copy is kept until space is freed, then saved.</source>
        <translation>На диске, где находится %1, не осталось места. Скопированное хранится, пока место не освободится, и тогда сохраняется.</translation>
    </message>
    <message numerus="yes">
        <source>%n change is waiting and will be saved once space is freed.</source>
        <translation>
            <numerusform>%n изменение ждёт и будет сохранено, когда освободится место.</numerusform>
            <numerusform>%n изменения ждут и будут сохранены, когда освободится место.</numerusform>
            <numerusform>%n изменений ждут и будут сохранены, когда освободится место.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n changes are waiting and will be saved once space is freed.</source>
        <translation>
            <numerusform>%n изменение ждёт и будет сохранено, когда освободится место.</numerusform>
            <numerusform>%n изменения ждут и будут сохранены, когда освободится место.</numerusform>
            <numerusform>%n изменений ждут и будут сохранены, когда освободится место.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>EditCard</name>
    <message>
        <source>New Item</source>
        <translation>Новый элемент</translation>
    </message>
    <message>
        <source>Editing</source>
        <translation>Редактирование</translation>
    </message>
    <message>
        <source>↩ Save  |  ⇧↩ New line  |  Esc Cancel</source>
        <translation>↩ Сохранить  |  ⇧↩ Новая строка  |  Esc Отмена</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Сохранить</translation>
    </message>
    <message>
        <source>Item text</source>
        <translation>Текст элемента</translation>
    </message>
</context>
<context>
    <name>EmptyState</name>
    <message>
        <source>Welcome to Quillbox!</source>
        <translation>Добро пожаловать в Quillbox!</translation>
    </message>
    <message>
        <source>No items found</source>
        <translation>Ничего не найдено</translation>
    </message>
    <message>
        <source>Everything you copy appears here automatically.</source>
        <translation>Всё, что вы копируете, автоматически появляется здесь.</translation>
    </message>
    <message>
        <source>Copy any text, URL, image, or file</source>
        <translation>Скопируйте любой текст, ссылку, изображение или файл</translation>
    </message>
    <message>
        <source>Use ↑↓ arrows or scroll to navigate</source>
        <translation>Перемещайтесь стрелками ↑↓ или прокруткой</translation>
    </message>
    <message>
        <source>Press Enter to paste into your app</source>
        <translation>Нажмите Enter, чтобы вставить в приложение</translation>
    </message>
    <message>
        <source>Just start typing to search</source>
        <translation>Для поиска просто начните печатать</translation>
    </message>
</context>
<context>
    <name>GeneralTab</name>
    <message>
        <source>Behavior</source>
        <translation>Поведение</translation>
    </message>
    <message>
        <source>Launch at login</source>
        <translation>Запускать при входе в систему</translation>
    </message>
    <message>
        <source>Show source app name</source>
        <translation>Показывать приложение-источник</translation>
    </message>
    <message>
        <source>Play sound on copy</source>
        <translation>Звук при копировании</translation>
    </message>
    <message>
        <source>Play click sound on navigation</source>
        <translation>Щелчок при перемещении по списку</translation>
    </message>
    <message>
        <source>Language Fix</source>
        <translation>Исправление раскладки</translation>
    </message>
    <message>
        <source>Installed keyboard layouts:</source>
        <translation>Установленные раскладки клавиатуры:</translation>
    </message>
    <message>
        <source>Appearance</source>
        <translation>Внешний вид</translation>
    </message>
    <message>
        <source>Selected item border color</source>
        <translation>Цвет рамки выбранного элемента</translation>
    </message>
</context>
<context>
    <name>GnomeExtensionView</name>
    <message>
        <source>Could not run gnome-extensions: it is not installed.</source>
        <translation>Не удалось запустить gnome-extensions: программа не установлена.</translation>
    </message>
    <message>
        <source>Could not enable the extension: %1</source>
        <translation>Не удалось включить расширение: %1</translation>
    </message>
    <message>
        <source>gnome-extensions failed</source>
        <translation>ошибка gnome-extensions</translation>
    </message>
    <message>
        <source>The extension is enabled. Quit and start Quillbox again to use it.</source>
        <translation>Расширение включено. Чтобы им воспользоваться, перезапустите Quillbox.</translation>
    </message>
    <message>
        <source>The extension is enabled. It loads when you log out and back in.</source>
        <translation>Расширение включено. Оно загрузится, когда вы выйдете из системы и войдёте снова.</translation>
    </message>
</context>
<context>
    <name>HistoryFilter</name>
    <message numerus="yes">
        <source>%n item</source>
        <translation>
            <numerusform>%n элемент</numerusform>
            <numerusform>%n элемента</numerusform>
            <numerusform>%n элементов</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n items</source>
        <translation>
            <numerusform>%n элемент</numerusform>
            <numerusform>%n элемента</numerusform>
            <numerusform>%n элементов</numerusform>
        </translation>
    </message>
    <message>
        <source>Search...</source>
        <translation>Поиск...</translation>
    </message>
    <message>
        <source>in %1...</source>
        <extracomment>The search field&apos;s prompt while a category filters the list</extracomment>
        <translation>Поиск в «%1»...</translation>
    </message>
    <message>
        <source>Copy something to get started</source>
        <translation>Скопируйте что-нибудь, чтобы начать</translation>
    </message>
    <message>
        <source>Try a different search term</source>
        <translation>Попробуйте другой запрос</translation>
    </message>
</context>
<context>
    <name>HistoryItemsModel</name>
    <message>
        <source>Image</source>
        <translation>Изображение</translation>
    </message>
    <message>
        <source>Image, %1</source>
        <extracomment>An image&apos;s name for screen readers, with its size in pixels: &quot;Image, 64 × 48&quot;</extracomment>
        <translation>Изображение, %1</translation>
    </message>
    <message>
        <source>pinned</source>
        <translation>закреплено</translation>
    </message>
</context>
<context>
    <name>HistoryPanel</name>
    <message>
        <source>Quillbox clipboard history</source>
        <translation>История буфера обмена Quillbox</translation>
    </message>
    <message>
        <source>Clipboard history</source>
        <translation>История буфера обмена</translation>
    </message>
    <message>
        <source>%1 · %2 of %3</source>
        <translation>%1 · %2 из %3</translation>
    </message>
</context>
<context>
    <name>HotkeyBindingInstructions</name>
    <message>
        <source>sway does not let programs register global shortcuts. Add these lines to ~/.config/sway/config and reload sway (Super+Shift+C):</source>
        <translation>sway не позволяет программам назначать глобальные комбинации клавиш. Добавьте эти строки в ~/.config/sway/config и перезагрузите настройки sway (Super+Shift+C):</translation>
    </message>
    <message>
        <source>This desktop does not let programs register global shortcuts. Bind these commands to keys in its keyboard settings:</source>
        <translation>Это окружение не позволяет программам назначать глобальные комбинации клавиш. Назначьте эти команды клавишам в его настройках клавиатуры:</translation>
    </message>
    <message>
        <source>GNOME does not let programs register global shortcuts. Add them under Settings &gt; Keyboard &gt; Custom Shortcuts (or let Quillbox add them with gsettings):</source>
        <translation>GNOME не позволяет программам назначать глобальные комбинации клавиш. Добавьте их в разделе Параметры &gt; Клавиатура &gt; Пользовательские комбинации клавиш (или поручите это Quillbox через gsettings):</translation>
    </message>
    <message>
        <source>Add these commands under System Settings &gt; Shortcuts &gt; Custom Shortcuts:</source>
        <translation>Добавьте эти команды в разделе Параметры системы &gt; Комбинации клавиш &gt; Пользовательские комбинации клавиш:</translation>
    </message>
</context>
<context>
    <name>MultiSelectionBar</name>
    <message numerus="yes">
        <source>%n items selected</source>
        <translation>
            <numerusform>Выбран %n элемент</numerusform>
            <numerusform>Выбрано %n элемента</numerusform>
            <numerusform>Выбрано %n элементов</numerusform>
        </translation>
    </message>
    <message>
        <source>⇧↑↓ select  |  Ctrl+Click toggle  |  ↩ combine  |  Esc clear</source>
        <translation>⇧↑↓ выбор  |  Ctrl+щелчок отметить  |  ↩ объединить  |  Esc сброс</translation>
    </message>
</context>
<context>
    <name>OnboardingPage</name>
    <message>
        <source>Skip</source>
        <translation>Пропустить</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Назад</translation>
    </message>
    <message>
        <source>Get Started</source>
        <translation>Начать</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Далее</translation>
    </message>
</context>
<context>
    <name>OnboardingView</name>
    <message>
        <source>Automatic paste is available</source>
        <translation>Автоматическая вставка доступна</translation>
    </message>
    <message>
        <source>Quillbox presses Ctrl+V through %1</source>
        <translation>Quillbox нажимает Ctrl+V через %1</translation>
    </message>
    <message>
        <source>Automatic paste is not available yet</source>
        <translation>Автоматическая вставка пока недоступна</translation>
    </message>
    <message>
        <source>Install ydotool to enable it</source>
        <translation>Установите ydotool, чтобы её включить</translation>
    </message>
    <message>
        <source>Run an X11 session with XTest, or install xdotool</source>
        <translation>Войдите в сеанс X11 с XTest или установите xdotool</translation>
    </message>
    <message>
        <source>Allow automatic paste</source>
        <translation>Разрешите автоматическую вставку</translation>
    </message>
    <message>
        <source>So Quillbox can paste directly</source>
        <translation>Чтобы Quillbox вставлял сразу в приложение</translation>
    </message>
    <message>
        <source>Quillbox pastes by pressing Ctrl+V in the active app for you. In an X11 session this needs nothing extra; on Wayland Quillbox types through a virtual keyboard of its own (sway, Hyprland, labwc) or through KDE Plasma&apos;s fake-input, and elsewhere it needs ydotool. Without it, Quillbox can still copy items to your clipboard, but won&apos;t auto-paste into the active app.</source>
        <translation>Quillbox вставляет, нажимая за вас Ctrl+V в активном приложении. В сеансе X11 для этого ничего не нужно; в Wayland Quillbox печатает через собственную виртуальную клавиатуру (sway, Hyprland, labwc) или через fake-input KDE Plasma, а в остальных окружениях ему нужен ydotool. Без этого Quillbox всё равно копирует элементы в буфер обмена, но не вставляет их в активное приложение сам.</translation>
    </message>
    <message>
        <source>Open Keyboard Settings</source>
        <translation>Открыть настройки клавиатуры</translation>
    </message>
    <message>
        <source>Turn on the GNOME extension</source>
        <translation>Включите расширение GNOME</translation>
    </message>
    <message>
        <source>So Quillbox works in every window</source>
        <translation>Чтобы Quillbox работал во всех окнах</translation>
    </message>
    <message>
        <source>Until then, copies made in Wayland windows are missed</source>
        <translation>До тех пор скопированное в окнах Wayland не попадает в историю</translation>
    </message>
    <message>
        <source>Enable the Extension</source>
        <translation>Включить расширение</translation>
    </message>
    <message>
        <source>Welcome to Quillbox</source>
        <translation>Добро пожаловать в Quillbox</translation>
    </message>
    <message>
        <source>Your clipboard, supercharged.</source>
        <translation>Буфер обмена на новом уровне.</translation>
    </message>
    <message>
        <source>Quillbox keeps a searchable history of everything you copy — text, links, images, and files — so you can paste anything from the last week in two keystrokes.</source>
        <translation>Quillbox хранит историю всего, что вы копируете, — текста, ссылок, изображений и файлов — с поиском по ней, так что всё скопированное за последнюю неделю можно вставить в два нажатия.</translation>
    </message>
    <message>
        <source>Open it from anywhere</source>
        <translation>Открывайте откуда угодно</translation>
    </message>
    <message>
        <source>Default hotkey: ⌘⇧V</source>
        <translation>Комбинация по умолчанию: ⌘⇧V</translation>
    </message>
    <message>
        <source>Press ⌘⇧V (Super + Shift + V) from any app to open Quillbox. You can change this shortcut any time in Settings → Shortcuts.</source>
        <translation>Нажмите ⌘⇧V (Super + Shift + V) в любом приложении, чтобы открыть Quillbox. Комбинацию можно изменить в любой момент: Настройки → Клавиши.</translation>
    </message>
    <message>
        <source>⌘⇧V opens the panel</source>
        <translation>⌘⇧V открывает панель</translation>
    </message>
    <message>
        <source>↑ / ↓ to navigate</source>
        <translation>↑ / ↓ — перемещение</translation>
    </message>
    <message>
        <source>Enter to paste</source>
        <translation>Enter — вставка</translation>
    </message>
    <message>
        <source>Esc to dismiss</source>
        <translation>Esc — закрыть</translation>
    </message>
    <message>
        <source>Organize with Categories</source>
        <translation>Наводите порядок с категориями</translation>
    </message>
    <message>
        <source>Keep similar clips together</source>
        <translation>Держите похожее вместе</translation>
    </message>
    <message>
        <source>Assign items to categories like Work, Code, or Links. Filter by category with the colored chips at the top, or press Tab to search categories.</source>
        <translation>Распределяйте элементы по категориям, например «Работа», «Код» или «Ссылки». Отбирайте их цветными метками вверху или нажмите Tab, чтобы найти категорию.</translation>
    </message>
    <message>
        <source>Right-click a clip to assign a category</source>
        <translation>Щёлкните элемент правой кнопкой, чтобы назначить категорию</translation>
    </message>
    <message>
        <source>Pin clips to keep them at the top</source>
        <translation>Закрепляйте элементы, чтобы они оставались вверху</translation>
    </message>
    <message>
        <source>Type to search your history</source>
        <translation>Начните печатать, чтобы искать в истории</translation>
    </message>
    <message>
        <source>Wrong keyboard layout? Fixed.</source>
        <translation>Не та раскладка? Исправим.</translation>
    </message>
    <message>
        <source>⌘⇧L converts mistyped text</source>
        <translation>⌘⇧L исправляет набранный текст</translation>
    </message>
    <message>
        <source>Typed a message in the wrong language layout? Select the text anywhere on your desktop and press ⌘⇧L — Quillbox instantly converts it to the correct layout.</source>
        <translation>Набрали сообщение не в той раскладке? Выделите текст где угодно и нажмите ⌘⇧L — Quillbox мгновенно переведёт его в правильную раскладку.</translation>
    </message>
    <message>
        <source>Works across any app</source>
        <translation>Работает в любом приложении</translation>
    </message>
    <message>
        <source>Supports multiple layouts</source>
        <translation>Поддерживает несколько раскладок</translation>
    </message>
    <message>
        <source>You&apos;re all set</source>
        <translation>Всё готово</translation>
    </message>
    <message>
        <source>Start copying something</source>
        <translation>Скопируйте что-нибудь</translation>
    </message>
    <message>
        <source>Copy any text, link, image, or file — it&apos;ll show up in Quillbox. Press ⌘⇧V to open it, then Enter to paste. Welcome aboard!</source>
        <translation>Скопируйте любой текст, ссылку, изображение или файл — они появятся в Quillbox. Нажмите ⌘⇧V, чтобы открыть его, и Enter, чтобы вставить. Добро пожаловать!</translation>
    </message>
</context>
<context>
    <name>OnboardingWindow</name>
    <message>
        <source>Welcome to Quillbox</source>
        <translation>Добро пожаловать в Quillbox</translation>
    </message>
</context>
<context>
    <name>PanelNotice</name>
    <message>
        <source>Can&apos;t copy this link: it is not a valid address</source>
        <translation>Не удаётся скопировать ссылку: адрес недействителен</translation>
    </message>
    <message>
        <source>Can&apos;t copy this file: its location is not valid</source>
        <translation>Не удаётся скопировать файл: неверное расположение</translation>
    </message>
    <message>
        <source>Can&apos;t copy this image: its data is missing or damaged</source>
        <translation>Не удаётся скопировать изображение: данные отсутствуют или повреждены</translation>
    </message>
    <message>
        <source>Can&apos;t copy this item</source>
        <translation>Не удаётся скопировать элемент</translation>
    </message>
</context>
<context>
    <name>PasteTemplate</name>
    <message>
        <source>Comma</source>
        <translation>Запятая</translation>
    </message>
    <message>
        <source>New Line</source>
        <translation>Новая строка</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>Пробел</translation>
    </message>
    <message>
        <source>Tab</source>
        <translation>Табуляция</translation>
    </message>
    <message>
        <source>&quot;Double Quotes&quot;</source>
        <translation>&quot;Двойные кавычки&quot;</translation>
    </message>
    <message>
        <source>&apos;Single Quotes&apos;</source>
        <translation>&apos;Одинарные кавычки&apos;</translation>
    </message>
    <message>
        <source>JSON Array</source>
        <translation>Массив JSON</translation>
    </message>
    <message>
        <source>Bullet List</source>
        <translation>Маркированный список</translation>
    </message>
    <message>
        <source>Numbered</source>
        <translation>Нумерованный</translation>
    </message>
    <message>
        <source>SQL IN</source>
        <translation>SQL IN</translation>
    </message>
</context>
<context>
    <name>PausedBar</name>
    <message>
        <source>History paused</source>
        <translation>История приостановлена</translation>
    </message>
    <message>
        <source>History paused · </source>
        <translation>История приостановлена · </translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Возобновить</translation>
    </message>
</context>
<context>
    <name>PrivacyTab</name>
    <message>
        <source>Never record copies from</source>
        <translation>Никогда не записывать скопированное из</translation>
    </message>
    <message>
        <source>Remove %1</source>
        <translation>Убрать %1</translation>
    </message>
    <message>
        <source>Every application&apos;s copies are recorded.</source>
        <translation>Записывается скопированное во всех приложениях.</translation>
    </message>
    <message>
        <source>Add Application…</source>
        <translation>Добавить приложение…</translation>
    </message>
    <message>
        <source>Installed applications</source>
        <translation>Установленные приложения</translation>
    </message>
    <message>
        <source>Add Running Window…</source>
        <translation>Добавить открытое окно…</translation>
    </message>
    <message>
        <source>Running windows</source>
        <translation>Открытые окна</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Убрать</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Пауза</translation>
    </message>
    <message>
        <source>10 Minutes</source>
        <translation>10 минут</translation>
    </message>
    <message>
        <source>1 Hour</source>
        <translation>1 час</translation>
    </message>
    <message>
        <source>Until I Resume</source>
        <translation>До возобновления</translation>
    </message>
    <message>
        <source>Resume History</source>
        <translation>Возобновить историю</translation>
    </message>
    <message>
        <source>What to keep</source>
        <translation>Что сохранять</translation>
    </message>
    <message>
        <source>Don&apos;t record images</source>
        <translation>Не записывать изображения</translation>
    </message>
    <message>
        <source>Don&apos;t record files</source>
        <translation>Не записывать файлы</translation>
    </message>
    <message>
        <source>Largest item</source>
        <translation>Наибольший элемент</translation>
    </message>
    <message>
        <source>Keep unpinned items for</source>
        <translation>Хранить незакреплённые элементы</translation>
    </message>
    <message>
        <source>Clear history when Quillbox quits (pinned items stay)</source>
        <translation>Очищать историю при выходе (закреплённые остаются)</translation>
    </message>
    <message>
        <source>Nothing to add here.</source>
        <translation>Добавлять нечего.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
</context>
<context>
    <name>PrivacyView</name>
    <message>
        <source>Recording</source>
        <translation>Идёт запись</translation>
    </message>
    <message>
        <source>Paused until %1</source>
        <extracomment>%1 is a time of day</extracomment>
        <translation>Приостановлено до %1</translation>
    </message>
    <message>
        <source>Paused until you resume</source>
        <translation>Приостановлено до возобновления</translation>
    </message>
    <message>
        <source>Forever</source>
        <translation>Всегда</translation>
    </message>
    <message numerus="yes">
        <source>%n day</source>
        <translation>
            <numerusform>%n день</numerusform>
            <numerusform>%n дня</numerusform>
            <numerusform>%n дней</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n days</source>
        <translation>
            <numerusform>%n день</numerusform>
            <numerusform>%n дня</numerusform>
            <numerusform>%n дней</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 МБ</translation>
    </message>
    <message>
        <source>Your history is stored in %1 on this computer and never leaves it.</source>
        <translation>История хранится в %1 на этом компьютере и никуда не передаётся.</translation>
    </message>
</context>
<context>
    <name>RowActions</name>
    <message>
        <source>Unpin</source>
        <translation>Открепить</translation>
    </message>
    <message>
        <source>Pin</source>
        <translation>Закрепить</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Удалить</translation>
    </message>
</context>
<context>
    <name>RowContextMenu</name>
    <message>
        <source>Paste</source>
        <translation>Вставить</translation>
    </message>
    <message>
        <source>Edit (Ctrl+E)</source>
        <translation>Изменить (Ctrl+E)</translation>
    </message>
    <message>
        <source>Unpin</source>
        <translation>Открепить</translation>
    </message>
    <message>
        <source>Pin</source>
        <translation>Закрепить</translation>
    </message>
    <message>
        <source>Assign Category</source>
        <translation>Назначить категорию</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Нет</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Удалить</translation>
    </message>
</context>
<context>
    <name>SearchField</name>
    <message>
        <source>Search clipboard history</source>
        <translation>Поиск в истории буфера обмена</translation>
    </message>
    <message>
        <source>Clear search</source>
        <translation>Очистить поиск</translation>
    </message>
    <message>
        <source>Close search</source>
        <translation>Закрыть поиск</translation>
    </message>
</context>
<context>
    <name>SearchRow</name>
    <message>
        <source>Search</source>
        <translation>Поиск</translation>
    </message>
    <message>
        <source>Filtered by %1</source>
        <translation>Фильтр: %1</translation>
    </message>
</context>
<context>
    <name>SettingsPage</name>
    <message>
        <source>General</source>
        <translation>Основные</translation>
    </message>
    <message>
        <source>Categories</source>
        <translation>Категории</translation>
    </message>
    <message>
        <source>Shortcuts</source>
        <translation>Клавиши</translation>
    </message>
    <message>
        <source>Storage</source>
        <translation>Хранение</translation>
    </message>
    <message>
        <source>Privacy</source>
        <translation>Приватность</translation>
    </message>
    <message>
        <source>About</source>
        <translation>О программе</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Настройки</translation>
    </message>
</context>
<context>
    <name>SettingsView</name>
    <message>
        <source>Super</source>
        <translation>Super</translation>
    </message>
    <message>
        <source>Shift</source>
        <translation>Shift</translation>
    </message>
    <message>
        <source>Alt</source>
        <translation>Alt</translation>
    </message>
    <message>
        <source>Ctrl</source>
        <translation>Ctrl</translation>
    </message>
    <message>
        <source>Open Quillbox</source>
        <translation>Открыть Quillbox</translation>
    </message>
    <message>
        <source>Unlimited</source>
        <translation>Без лимита</translation>
    </message>
    <message>
        <source>Fix wrong keyboard layout (%1)</source>
        <translation>Исправлять раскладку (%1)</translation>
    </message>
    <message>
        <source>Add a second keyboard layout in your desktop&apos;s keyboard settings to use this feature.</source>
        <translation>Чтобы пользоваться этой функцией, добавьте вторую раскладку в настройках клавиатуры вашего окружения.</translation>
    </message>
    <message>
        <source>Select mistyped text anywhere, press %1 (%2) to convert to the correct layout.</source>
        <extracomment>%1 is the combination as symbols (&quot;⌘⇧L&quot;), %2 its key names (&quot;Super + Shift + L&quot;)</extracomment>
        <translation>Выделите текст, набранный не в той раскладке, и нажмите %1 (%2), чтобы перевести его в правильную.</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Версия %1</translation>
    </message>
    <message>
        <source>A modern clipboard history manager for the Linux desktop</source>
        <translation>Современный менеджер истории буфера обмена для Linux</translation>
    </message>
    <message>
        <source>Clipboard: %1</source>
        <translation>Буфер обмена: %1</translation>
    </message>
    <message>
        <source>Orange</source>
        <translation>Оранжевый</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Красный</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Синий</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Зелёный</translation>
    </message>
    <message>
        <source>Purple</source>
        <translation>Фиолетовый</translation>
    </message>
    <message>
        <source>Pink</source>
        <translation>Розовый</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Жёлтый</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Белый</translation>
    </message>
</context>
<context>
    <name>SettingsWindow</name>
    <message>
        <source>Quillbox Settings</source>
        <translation>Настройки Quillbox</translation>
    </message>
</context>
<context>
    <name>ShortcutRecorder</name>
    <message>
        <source>Recording a shortcut</source>
        <translation>Запись комбинации клавиш</translation>
    </message>
    <message>
        <source>Shortcut %1</source>
        <translation>Комбинация клавиш %1</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Shortcut set to %1</source>
        <translation>Назначена комбинация %1</translation>
    </message>
</context>
<context>
    <name>ShortcutRecorderView</name>
    <message>
        <source>Press keys...</source>
        <translation>Нажмите клавиши...</translation>
    </message>
    <message>
        <source>This key cannot be used in a global shortcut. Try another.</source>
        <translation>Эту клавишу нельзя использовать в глобальной комбинации. Выберите другую.</translation>
    </message>
    <message>
        <source>Add Super, Ctrl or Alt: with Shift alone the key could no longer be typed anywhere.</source>
        <translation>Добавьте Super, Ctrl или Alt: с одним Shift эту клавишу больше нельзя будет набрать ни в одной программе.</translation>
    </message>
    <message>
        <source>%1 fixes the keyboard layout. Choose another combination.</source>
        <translation>%1 исправляет раскладку. Выберите другую комбинацию.</translation>
    </message>
    <message>
        <source>%1 is taken by another program. The previous shortcut stays; choose another.</source>
        <translation>%1 занята другой программой. Прежняя комбинация сохранена; выберите другую.</translation>
    </message>
    <message>
        <source>No key arrived. The desktop may keep that combination for itself; try another, or press Escape.</source>
        <translation>Нажатие не получено. Возможно, окружение оставляет эту комбинацию за собой; попробуйте другую или нажмите Escape.</translation>
    </message>
</context>
<context>
    <name>ShortcutsTab</name>
    <message>
        <source>Global Shortcut</source>
        <translation>Глобальная комбинация клавиш</translation>
    </message>
    <message>
        <source>Press the key combination to open Quillbox from anywhere.</source>
        <translation>Нажмите комбинацию клавиш, которая будет открывать Quillbox откуда угодно.</translation>
    </message>
    <message>
        <source>Desktop Shortcuts</source>
        <translation>Комбинации клавиш окружения</translation>
    </message>
    <message>
        <source>Add to GNOME…</source>
        <translation>Добавить в GNOME…</translation>
    </message>
    <message>
        <source>In-App Shortcuts</source>
        <translation>Клавиши в приложении</translation>
    </message>
    <message>
        <source>Category search</source>
        <translation>Поиск категорий</translation>
    </message>
    <message>
        <source>Tab</source>
        <translation>Tab</translation>
    </message>
    <message>
        <source>/ (Slash)</source>
        <translation>/ (косая черта)</translation>
    </message>
    <message>
        <source>Opens the category filter search when Quillbox is open.</source>
        <translation>Открывает поиск по категориям, когда окно Quillbox открыто.</translation>
    </message>
    <message>
        <source>Add the shortcuts to GNOME?</source>
        <translation>Добавить комбинации клавиш в GNOME?</translation>
    </message>
    <message>
        <source>Quillbox runs gsettings to add them to Settings &gt; Keyboard &gt; Custom Shortcuts.</source>
        <translation>Quillbox выполнит gsettings и добавит их в Параметры &gt; Клавиатура &gt; Пользовательские комбинации клавиш.</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Добавить</translation>
    </message>
</context>
<context>
    <name>StatusItem</name>
    <message>
        <source>Open Quillbox</source>
        <translation>Открыть Quillbox</translation>
    </message>
    <message>
        <source>Settings...</source>
        <translation>Настройки...</translation>
    </message>
    <message>
        <source>Pause History</source>
        <translation>Приостановить историю</translation>
    </message>
    <message>
        <source>For 10 Minutes</source>
        <translation>На 10 минут</translation>
    </message>
    <message>
        <source>For 1 Hour</source>
        <translation>На 1 час</translation>
    </message>
    <message>
        <source>Until I Resume</source>
        <translation>До возобновления</translation>
    </message>
    <message>
        <source>Resume History</source>
        <translation>Возобновить историю</translation>
    </message>
    <message>
        <source>Quit Quillbox</source>
        <translation>Выйти из Quillbox</translation>
    </message>
    <message>
        <source>Quillbox — history paused</source>
        <translation>Quillbox — история приостановлена</translation>
    </message>
</context>
<context>
    <name>StorageTab</name>
    <message>
        <source>Max history items</source>
        <translation>Размер истории</translation>
    </message>
    <message numerus="yes">
        <source>%n unpinned item, the oldest, will be deleted now. Pinned items are kept. This cannot be undone.</source>
        <translation>
            <numerusform>Сейчас будет удалён %n самый старый незакреплённый элемент. Закреплённые элементы сохранятся. Это действие нельзя отменить.</numerusform>
            <numerusform>Сейчас будут удалены %n самых старых незакреплённых элемента. Закреплённые элементы сохранятся. Это действие нельзя отменить.</numerusform>
            <numerusform>Сейчас будут удалены %n самых старых незакреплённых элементов. Закреплённые элементы сохранятся. Это действие нельзя отменить.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n unpinned items, the oldest, will be deleted now. Pinned items are kept. This cannot be undone.</source>
        <translation>
            <numerusform>Сейчас будет удалён %n самый старый незакреплённый элемент. Закреплённые элементы сохранятся. Это действие нельзя отменить.</numerusform>
            <numerusform>Сейчас будут удалены %n самых старых незакреплённых элемента. Закреплённые элементы сохранятся. Это действие нельзя отменить.</numerusform>
            <numerusform>Сейчас будут удалены %n самых старых незакреплённых элементов. Закреплённые элементы сохранятся. Это действие нельзя отменить.</numerusform>
        </translation>
    </message>
    <message>
        <source>Clear All History</source>
        <translation>Очистить всю историю</translation>
    </message>
    <message numerus="yes">
        <source>All %n item, pinned ones included, will be deleted. This cannot be undone.</source>
        <translation>
            <numerusform>Будет удалён %n элемент истории, включая закреплённые. Это действие нельзя отменить.</numerusform>
            <numerusform>Будут удалены все %n элемента истории, включая закреплённые. Это действие нельзя отменить.</numerusform>
            <numerusform>Будут удалены все %n элементов истории, включая закреплённые. Это действие нельзя отменить.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>All %n items, pinned ones included, will be deleted. This cannot be undone.</source>
        <translation>
            <numerusform>Будет удалён %n элемент истории, включая закреплённые. Это действие нельзя отменить.</numerusform>
            <numerusform>Будут удалены все %n элемента истории, включая закреплённые. Это действие нельзя отменить.</numerusform>
            <numerusform>Будут удалены все %n элементов истории, включая закреплённые. Это действие нельзя отменить.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Keep %n items?</source>
        <translation>
            <numerusform>Оставить %n элемент?</numerusform>
            <numerusform>Оставить %n элемента?</numerusform>
            <numerusform>Оставить %n элементов?</numerusform>
        </translation>
    </message>
    <message>
        <source>Clear all history?</source>
        <translation>Очистить всю историю?</translation>
    </message>
</context>
<context>
    <name>StoreProblemView</name>
    <message>
        <source>The reason is unknown.</source>
        <translation>Причина неизвестна.</translation>
    </message>
    <message>
        <source>Quillbox cannot open its history</source>
        <translation>Quillbox не может открыть историю</translation>
    </message>
    <message>
        <source>Nothing you copy is kept until this is fixed and Quillbox is started again. The file was left as it is.</source>
        <translation>Пока проблема не устранена и Quillbox не запущен снова, скопированное не сохраняется. Файл оставлен как есть.</translation>
    </message>
</context>
<context>
    <name>TopBar</name>
    <message numerus="yes">
        <source>%n items</source>
        <translation>
            <numerusform>%n элемент</numerusform>
            <numerusform>%n элемента</numerusform>
            <numerusform>%n элементов</numerusform>
        </translation>
    </message>
    <message>
        <source>Menu</source>
        <translation>Меню</translation>
    </message>
    <message>
        <source>Pause History</source>
        <translation>Приостановить историю</translation>
    </message>
    <message>
        <source>For 10 Minutes</source>
        <translation>На 10 минут</translation>
    </message>
    <message>
        <source>For 1 Hour</source>
        <translation>На 1 час</translation>
    </message>
    <message>
        <source>Until I Resume</source>
        <translation>До возобновления</translation>
    </message>
    <message>
        <source>Resume History</source>
        <translation>Возобновить историю</translation>
    </message>
    <message>
        <source>Clear All History</source>
        <translation>Очистить всю историю</translation>
    </message>
    <message numerus="yes">
        <source>%n unpinned item will be deleted. Pinned items are kept. This cannot be undone.</source>
        <translation>
            <numerusform>Будет удалён %n незакреплённый элемент. Закреплённые элементы сохранятся. Это действие нельзя отменить.</numerusform>
            <numerusform>Будут удалены %n незакреплённых элемента. Закреплённые элементы сохранятся. Это действие нельзя отменить.</numerusform>
            <numerusform>Будут удалены %n незакреплённых элементов. Закреплённые элементы сохранятся. Это действие нельзя отменить.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n unpinned items will be deleted. Pinned items are kept. This cannot be undone.</source>
        <translation>
            <numerusform>Будет удалён %n незакреплённый элемент. Закреплённые элементы сохранятся. Это действие нельзя отменить.</numerusform>
            <numerusform>Будут удалены %n незакреплённых элемента. Закреплённые элементы сохранятся. Это действие нельзя отменить.</numerusform>
            <numerusform>Будут удалены %n незакреплённых элементов. Закреплённые элементы сохранятся. Это действие нельзя отменить.</numerusform>
        </translation>
    </message>
    <message>
        <source>Settings...</source>
        <translation>Настройки...</translation>
    </message>
    <message>
        <source>Quit Quillbox</source>
        <translation>Выйти из Quillbox</translation>
    </message>
    <message>
        <source>Clear all history?</source>
        <translation>Очистить всю историю?</translation>
    </message>
</context>
</TS>
