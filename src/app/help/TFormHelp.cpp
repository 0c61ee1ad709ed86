#include "TFormHelp.h"

#include "HelpIcons.h"
#include "HelpMarkup.h"
#include "HelpTopics.h"
#include "LogoWidget.h"
#include "QtPrompts.h"
#include "ScreenCentre.h"

#include <QBoxLayout>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QTextEdit>
#include <QTreeWidget>

#include <exception>

namespace {

constexpr int ImageRole = Qt::UserRole;

struct TreeNode
{
    const char16_t *text;
    int parent; // index into TreeNodes, -1 at the top
    int image;
};

constexpr TreeNode TreeNodes[] = {
    {u"Úvod", -1, HelpIcons::Page},
    {u"O programu", -1, HelpIcons::ClosedFolder},
    {u"Novinky", 1, HelpIcons::Page},
    {u"Informace o Sonaro", 1, HelpIcons::Page},
    {u"Ovládání programu", -1, HelpIcons::ClosedFolder},
    {u"Rozhraní programu", 4, HelpIcons::Page},
    {u"Vyhledávání MP3", 4, HelpIcons::Page},
    {u"Playlisty", 4, HelpIcons::Page},
    {u"Přehrávání", 4, HelpIcons::Page},
    {u"Stahování", 4, HelpIcons::Page},
    {u"Nastavení", 4, HelpIcons::Page},
    {u"Automatická aktualizace", 4, HelpIcons::Page},
};

const QString Introduction = QStringLiteral("Úvod");

QFrame *frameAround(QWidget *inner, QWidget *parent)
{
    auto *frame = new QFrame(parent);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    auto *layout = new QVBoxLayout(frame);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(inner);
    return frame;
}

} // namespace

TFormHelp::TFormHelp(Prompts *prompts) : QWidget(nullptr, Qt::Window)
{
    if (!prompts) {
        m_ownPrompts = std::make_unique<QtPrompts>(this);
        prompts = m_ownPrompts.get();
    }
    m_prompts = prompts;

    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Nápověda - Sonaro Klient"));
    resize(ClientWidth, ClientHeight);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    Logo = new LogoWidget(this);
    Logo->setCursor(Qt::ArrowCursor);
    Logo->setFixedSize(210, 86);
    Helplbl = new QLabel(QStringLiteral("Nápověda"), Logo);
    {
        // Grey text on a white tab cut into the logo's corner: grey straight on
        // the logo's green cannot be read.
        QPalette grey = Helplbl->palette();
        grey.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
        grey.setColor(QPalette::Window, Qt::white);
        Helplbl->setPalette(grey);
        Helplbl->setAutoFillBackground(true);
        Helplbl->setContentsMargins(5, 1, 3, 0);
        QFont font = Helplbl->font();
        font.setBold(true);
        Helplbl->setFont(font);
        const QSize size = Helplbl->sizeHint();
        Helplbl->setGeometry(Logo->width() - size.width(), Logo->height() - size.height(), size.width(),
                             size.height());
    }

    lbl_content = new QLabel(this);
    lbl_content->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    QFont titleFont(QStringLiteral("Trebuchet MS"));
    titleFont.setPixelSize(32);
    titleFont.setItalic(true);
    lbl_content->setFont(titleFont);
    QPalette titlePalette = lbl_content->palette();
    titlePalette.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    lbl_content->setPalette(titlePalette);

    Mezera = new QFrame(this);
    Mezera->setFrameShape(QFrame::HLine);
    Mezera->setFrameShadow(QFrame::Sunken);

    Menu = new QTreeWidget;
    Menu->setHeaderHidden(true);
    Menu->setColumnCount(1);
    Menu->setSelectionMode(QAbstractItemView::SingleSelection);
    Menu->setEditTriggers(QAbstractItemView::NoEditTriggers); // MenuEditing
    Menu->setExpandsOnDoubleClick(false);                      // zobraz decides
    Menu->setFrameShape(QFrame::NoFrame);
    Menu->setIconSize(QSize(16, 16));
    // Long topic names scroll rather than being cut short.
    Menu->setIndentation(10);
    Menu->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Menu->header()->setStretchLastSection(false);
    OkrajMenu = frameAround(Menu, this);
    OkrajMenu->setFixedWidth(TreeWidth + 2);

    re_content = new QTextEdit;
    re_content->setReadOnly(true);
    re_content->setFrameShape(QFrame::NoFrame);
    // The text can be scrolled, not selected: the focus stays with the tree.
    re_content->setTextInteractionFlags(Qt::NoTextInteraction);
    re_content->setFocusPolicy(Qt::NoFocus);
    re_content->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    re_content->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    OkrajHlavniho = frameAround(re_content, this);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->addWidget(Logo, 0, Qt::AlignTop);
    header->addWidget(lbl_content, 1);
    auto *body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->addWidget(OkrajMenu);
    body->addWidget(OkrajHlavniho, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(5);
    layout->addLayout(header);
    layout->addWidget(Mezera);
    layout->addLayout(body, 1);

    buildTree();
    connect(Menu, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem *item) { setImage(item, HelpIcons::OpenFolder); }); // MenuExpanding
    connect(Menu, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem *item) { setImage(item, HelpIcons::ClosedFolder); }); // MenuCollapsing
    Menu->installEventFilter(this);
    Menu->viewport()->installEventFilter(this);
    re_content->viewport()->installEventFilter(this);
    re_content->installEventFilter(this);

    // FormCreate
    lbl_content->setText(Introduction);
    ScreenCentre::place(this);
}

TFormHelp::~TFormHelp() = default;

void TFormHelp::buildTree()
{
    QList<QTreeWidgetItem *> items;
    for (const TreeNode &node : TreeNodes) {
        auto *item = new QTreeWidgetItem(QStringList{QString::fromUtf16(node.text)});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        setImage(item, node.image);
        if (node.parent < 0)
            Menu->addTopLevelItem(item);
        else
            items[node.parent]->addChild(item);
        items << item;
    }
}

int TFormHelp::imageIndex(const QTreeWidgetItem *item)
{
    return item ? item->data(0, ImageRole).toInt() : -1;
}

QTreeWidgetItem *TFormHelp::node(const QString &text) const
{
    const QList<QTreeWidgetItem *> found = Menu->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

void TFormHelp::setImage(QTreeWidgetItem *item, int index)
{
    item->setData(0, ImageRole, index);
    item->setIcon(0, HelpIcons::iconSet(index));
}

void TFormHelp::zobraz()
{
    const QList<QTreeWidgetItem *> selected = Menu->selectedItems();
    if (selected.size() != 1)
        return;
    QTreeWidgetItem *item = selected.first();
    if (imageIndex(item) == HelpIcons::Page) {
        lbl_content->setText(item->text(0));
        renderTopic(item->text(0));
    }
    if (imageIndex(item) == HelpIcons::ClosedFolder)
        item->setExpanded(true);
    else if (imageIndex(item) == HelpIcons::OpenFolder)
        item->setExpanded(false);
}

void TFormHelp::renderTopic(const QString &name)
{
    try {
        HelpMarkup::render(*re_content->document(), HelpTopics::text(name));
    } catch (const std::exception &e) {
        m_prompts->error(QString::fromStdString(e.what()));
    }
    QTextCursor start = re_content->textCursor();
    start.movePosition(QTextCursor::Start);
    re_content->setTextCursor(start);
    re_content->verticalScrollBar()->setValue(0);
    Menu->setFocus();
}

void TFormHelp::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    renderTopic(Introduction); // FormShow
}

bool TFormHelp::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == Menu && type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            zobraz(); // MenuKeyPress
            return true;
        }
    } else if (watched == Menu->viewport() && type == QEvent::MouseButtonDblClick) {
        // The first click of the pair has already selected the node.
        zobraz(); // MenuDblClick
        return true;
    } else if (watched == re_content->viewport() || watched == re_content) {
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease || type == QEvent::KeyPress)
            Menu->setFocus();
    }
    return QWidget::eventFilter(watched, event);
}
