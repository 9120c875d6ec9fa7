#pragma once
// One record-set class per shop table, plus the narrow views. Those on CMyDaoRecordset
// mark the shop changed on every Update and Delete; those on the plain RecordSet do
// not: the narrow views are only read, and the FTP settings are not part of the shop.
#include <cstdint>

#include "shopdb/recordset.h"

namespace vendora {

using CRecSetCategories = CMyDaoRecordset<CategoriesRow>;
using CRecSetCompany = CMyDaoRecordset<CompanyRow>;
using CRecSetCreditCards = CMyDaoRecordset<CreditCardsRow>;
using CRecSetDiscount = CMyDaoRecordset<DiscountRow>;
using CRecSetFtpServer = RecordSet<FtpServerRow>;
using CRecSetGiftWraps = CMyDaoRecordset<GiftWrapsRow>;
using CRecSetIndex = CMyDaoRecordset<IndexRow>;
using CRecSetInterfaces = CMyDaoRecordset<InterfacesRow>;
using CRecSetItems = CMyDaoRecordset<ItemsRow>;
using CRecSetItems_ID = RecordSet<ItemIdRow>;
using CRecSetLangID = CMyDaoRecordset<LangIdRow>;
using CRecSetLanguage = CMyDaoRecordset<LanguageRow>;
using CRecSetLines = CMyDaoRecordset<LinesRow>;
using CRecSetMainAttributes = CMyDaoRecordset<MainAttributesRow>;
using CRecSetOptions = CMyDaoRecordset<OptionsRow>;
using CRecSetPassword = CMyDaoRecordset<PasswordRow>;
using CRecSetPayvane = CMyDaoRecordset<PayvaneRow>;
using CRecSetPayments = CMyDaoRecordset<PaymentsRow>;
using CRecSetProdLines = CMyDaoRecordset<ProdLinesRow>;
using CRecSetProdLines_LineID = RecordSet<ProdLineLineIdRow>;
using CRecSetProducts = CMyDaoRecordset<ProductsRow>;
using CRecSetProducts_IDs = RecordSet<ProductIdsRow>;
using CRecSetProducts_Walk = RecordSet<ProductWalkRow>;
using CRecSetShipCharges = CMyDaoRecordset<ShipChargesRow>;
using CRecSetShipping = CMyDaoRecordset<ShippingRow>;
using CRecSetSubAttributes = CMyDaoRecordset<SubAttributesRow>;
using CRecSetTaxesByArea = CMyDaoRecordset<TaxesByAreaRow>;
using CRecSetTaxesByType = CMyDaoRecordset<TaxesByTypeRow>;
using CRecSetTextblocks = CMyDaoRecordset<TextBlocksRow>;
using CRecSetVersion = CMyDaoRecordset<VersionRow>;
using CRecSetWebServer = CMyDaoRecordset<WebServerRow>;

// Removes every product of a product line from it ("DELETE FROM [ProdLines] WHERE
// [LineID] = n"); the line itself stays. Marks the shop changed like any other change
// of the catalogue, so the published shop does not keep showing the memberships.
// Returns the number of memberships removed.
int DeleteProdLinesOfLine(ShopDatabase& db, int32_t lineId);

}  // namespace vendora
