#include "ui/accessible_names.h"

#include <gtk/gtk.h>
#include <wx/anybutton.h>
#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/slider.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include <cmath>
#include <vector>

namespace {

AtkObject* accessibleOf(wxWindow* control) {
    // The widget that takes the input: the scale inside a slider, the button of a check box.
    return gtk_widget_get_accessible(control->GetConnectWidget());
}

// Drops the relations the toolkit guessed from the order the widgets were made in, and the
// guess itself: a label's mnemonic widget.
void dropRelations(GtkWidget* widget) {
    if (widget == nullptr) {
        return;
    }
    AtkRelationSet* relations = atk_object_ref_relation_set(gtk_widget_get_accessible(widget));
    for (const AtkRelationType type : {ATK_RELATION_LABEL_FOR, ATK_RELATION_LABELLED_BY}) {
        while (AtkRelation* relation = atk_relation_set_get_relation_by_type(relations, type)) {
            atk_relation_set_remove(relations, relation);
        }
    }
    g_object_unref(relations);
    if (GTK_IS_LABEL(widget)) {
        gtk_label_set_mnemonic_widget(GTK_LABEL(widget), nullptr);
    }
}

void untie(wxWindow& control) {
    if (auto* box = dynamic_cast<wxStaticBox*>(&control)) {
        dropRelations(gtk_frame_get_label_widget(GTK_FRAME(box->GetHandle())));
    }
    dropRelations(control.GetConnectWidget());
}

void setName(wxWindow* control, const wxString& name) {
    atk_object_set_name(accessibleOf(control), name.utf8_str());
}

// The percentage a range widget's accessible stands at, as text ("61%").
gchar* percentText(AtkObject* accessible) {
    GtkWidget* widget = gtk_accessible_get_widget(GTK_ACCESSIBLE(accessible));
    if (widget == nullptr || !GTK_IS_RANGE(widget)) {
        return nullptr;
    }
    GtkAdjustment* adjustment = gtk_range_get_adjustment(GTK_RANGE(widget));
    const double lower = gtk_adjustment_get_lower(adjustment);
    const double span = gtk_adjustment_get_upper(adjustment) - lower;
    const double share = span > 0 ? (gtk_adjustment_get_value(adjustment) - lower) / span : 0;
    return g_strdup_printf("%d%%", static_cast<int>(std::lround(share * 100)));
}

void (*rangeValueAndText)(AtkValue*, gdouble*, gchar**) = nullptr;
AtkAttributeSet* (*rangeAttributes)(AtkObject*) = nullptr;

void percentValueAndText(AtkValue* value, gdouble* current, gchar** text) {
    rangeValueAndText(value, current, text);
    if (text != nullptr) {
        g_free(*text);
        *text = percentText(ATK_OBJECT(value));
    }
}

// Screen readers that look for a value text in the object's attributes find it there too.
AtkAttributeSet* attributesWithPercent(AtkObject* accessible) {
    AtkAttributeSet* attributes =
        rangeAttributes != nullptr ? rangeAttributes(accessible) : nullptr;
    auto* valueText = static_cast<AtkAttribute*>(g_malloc(sizeof(AtkAttribute)));
    valueText->name = g_strdup("valuetext");
    valueText->value = percentText(accessible);
    return g_slist_append(attributes, valueText);
}

}  // namespace

void nameControls(wxWindow* parent,
                  std::initializer_list<std::pair<wxWindow*, wxStaticText*>> labelled) {
    std::vector<std::pair<wxWindow*, wxStaticText*>> ties(labelled);
    for (const auto& [control, label] : ties) {
        wxString name = label->GetLabel();
        name.Trim();
        if (name.EndsWith(":")) {
            name.RemoveLast().Trim();
        }
        setName(control, name);
    }
    for (wxWindow* child : parent->GetChildren()) {
        if (dynamic_cast<wxAnyButton*>(child) != nullptr ||
            dynamic_cast<wxCheckBox*>(child) != nullptr ||
            dynamic_cast<wxRadioButton*>(child) != nullptr) {
            setName(child, wxControl::RemoveMnemonics(child->GetLabel()));
        }
    }
    // The toolkit ties the labels on the window's first idle; this runs right after it.
    parent->Bind(wxEVT_IDLE, [parent, ties, done = false](wxIdleEvent& event) mutable {
        event.Skip();
        if (done) {
            return;
        }
        done = true;
        for (wxWindow* child : parent->GetChildren()) {
            untie(*child);
        }
        for (const auto& [control, label] : ties) {
            GtkWidget* widget = control->GetConnectWidget();
            gtk_label_set_mnemonic_widget(GTK_LABEL(label->GetHandle()), widget);
            AtkObject* field = gtk_widget_get_accessible(widget);
            AtkObject* text = gtk_widget_get_accessible(label->GetHandle());
            atk_object_add_relationship(field, ATK_RELATION_LABELLED_BY, text);
            atk_object_add_relationship(text, ATK_RELATION_LABEL_FOR, field);
        }
    });
}

void readValueAsPercent(wxSlider* slider) {
    // ATK keeps these per class: every scale of this program reads as a percentage.
    AtkObject* accessible = accessibleOf(slider);
    auto* value = static_cast<AtkValueIface*>(
        g_type_interface_peek(G_OBJECT_GET_CLASS(accessible), ATK_TYPE_VALUE));
    if (value != nullptr && value->get_value_and_text != nullptr &&
        value->get_value_and_text != percentValueAndText) {
        rangeValueAndText = value->get_value_and_text;
        value->get_value_and_text = percentValueAndText;
    }
    AtkObjectClass* object = ATK_OBJECT_GET_CLASS(accessible);
    if (object->get_attributes != attributesWithPercent) {
        rangeAttributes = object->get_attributes;
        object->get_attributes = attributesWithPercent;
    }
}
