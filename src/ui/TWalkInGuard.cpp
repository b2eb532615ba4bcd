#include "ui/TWalkInGuard.h"

#include "db/TConnection.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TWalkInGuard::TWalkInGuard(QWidget* form, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("WalkInGuard"));
    auto find = [form](const char* name) {
        return form->findChild<QLineEdit*>(QLatin1String(name));
    };
    m_last = find("dbePartLastName");
    m_first = find("dbePartFirstName");
    m_email = find("dbeEmail");
    m_zip = find("dbePartZip");
    m_phone = find("dbePartPhone");
    m_city = find("dbePartCity");
    lAlreadyListed = new QLabel(this);
    lAlreadyListed->setObjectName(QStringLiteral("lAlreadyListed"));
    lAlreadyListed->setWordWrap(true);
    bAlreadyListed = new QPushButton(tr("Th&at's me"), this);
    bAlreadyListed->setObjectName(QStringLiteral("bAlreadyListed"));
    bAlreadyListed->setAutoDefault(false);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lAlreadyListed, 1);
    layout->addWidget(bAlreadyListed);
    for (QLineEdit* edit : {m_last, m_first, m_email, m_zip, m_phone, m_city})
        if (edit)
            connect(edit, &QLineEdit::textEdited, this, &TWalkInGuard::Check);
    connect(bAlreadyListed, &QPushButton::clicked, this, [this] {
        if (!m_matches.isEmpty())
            Q_EMIT existingPicked(int(m_matches.first()));
    });
    hide();
}

void TWalkInGuard::Start(TConnection& conn)
{
    m_conn = &conn;
    m_index = TDuplicateIndex();
    m_index.LoadParticipants(conn);
    Check();
}

void TWalkInGuard::Stop()
{
    m_conn = nullptr;
    m_index = TDuplicateIndex();
    m_matches.clear();
    hide();
}

void TWalkInGuard::Check()
{
    m_matches.clear();
    if (m_conn) {
        auto text = [](QLineEdit* edit) { return edit ? edit->text() : QString(); };
        const TPersonKeys typed{text(m_last),  text(m_first), text(m_email),
                                text(m_phone), text(m_zip),   text(m_city)};
        m_matches = m_index.WalkInCandidates(typed, 3);
    }
    if (m_matches.isEmpty()) {
        hide();
        return;
    }
    QStringList names;
    for (const qint64 id : std::as_const(m_matches))
        names << Describe(id);
    lAlreadyListed->setText(tr("Already on the list? %1").arg(names.join(QStringLiteral("; "))));
    show();
}

QString TWalkInGuard::Describe(qint64 userId) const
{
    // The e-mail is shown up to its "@", enough to recognise it at the door.
    const QString line =
        m_conn->ScalarQuery(QStringLiteral("select trim(coalesce(first_name, '') || ' ' || "
                                           "coalesce(last_name, '')) || coalesce(', ' || email, "
                                           "'') from participants where user_id = %1")
                                .arg(userId))
            .toString();
    const qsizetype at = line.lastIndexOf(u'@');
    return at < 0 ? line : line.left(at + 1) + QStringLiteral("…");
}
